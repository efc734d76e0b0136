// Staging of the driver package into the spooler's driver directory and the INF store.
#include "engine/driver_staging.h"

#include "engine/folder_walk.h"

#include "controls/dlg_mes_error.h"
#include "engine/checked_copy.h"
#include "engine/package_locator.h"
#include "engine/package_paths.h"
#include "engine/staging_api.h"
#include "engine/staging_lists.h"
#include "engine/support_folders.h"

#include <windows.h>

namespace engine {

namespace {

bool CopyListedFiles(const std::wstring& sourceFolder, const std::wstring& targetFolder,
                     const StagingLists& lists) {
    bool result = false;
    ForEachFolderEntry(sourceFolder, [&](const std::wstring& name, bool isFolder) {
        if (isFolder) {
            // Every subfolder's files land in the one target folder.
            result = CopyListedFiles(sourceFolder + name + L"\\", targetFolder, lists);
            return;
        }
        const std::wstring source = sourceFolder + name;
        const std::wstring target = targetFolder + name;
        switch (StagingActionFor(lists, name)) {
        case StagingAction::Skip:
            break;
        case StagingAction::CopyIfMissing:
            // The system's own copy of a platform file is never replaced.
            Staging().CopyFileW(source.c_str(), target.c_str(), TRUE);
            break;
        case StagingAction::CopyChecked:
            result = CopyFileChecked(source, target);
            break;
        }
    });
    return result;
}

} // namespace

bool CopyDriverTree(const std::wstring& sourceFolder, const std::wstring& targetFolder,
                    const std::wstring& dataFileName) {
    return CopyListedFiles(sourceFolder, targetFolder, BuildStagingLists(dataFileName));
}

bool StageInf(const std::wstring& infPath, const std::wstring& infFolder) {
    const StagingApi& api = Staging();
    BOOL staged = api.SetupCopyOEMInfW(infPath.c_str(), infFolder.c_str(), SPOST_PATH, 0, nullptr,
                                       0, nullptr, nullptr);
    // ERROR_NOT_FOUND earns one more attempt; any other refusal is final.
    if (!staged && ::GetLastError() == ERROR_NOT_FOUND)
        staged = api.SetupCopyOEMInfW(infPath.c_str(), infFolder.c_str(), SPOST_PATH, 0, nullptr, 0,
                                      nullptr, nullptr);
    if (!staged)
        ShowErrorDialog(L"3");
    return staged != FALSE;
}

bool StageDriverPackageFrom(const std::wstring& programDirectory,
                            const std::wstring& dataFileName) {
    std::wstring driverDirectory;
    if (!GetDriverDirectory(driverDirectory))
        return false;
    const bool native64 = IsNative64Bit();
    const std::wstring packageFolder = DriverSourceFolderOf(programDirectory, native64);
    if (!CopyDriverTree(packageFolder, driverDirectory + L"\\", dataFileName))
        return false;
    InstallSupportFoldersFrom(programDirectory);
    return StageInf(InfPathOf(programDirectory, native64), packageFolder);
}

bool StageDriverPackage(const std::wstring& dataFileName) {
    return StageDriverPackageFrom(GetProgramDirectory(), dataFileName);
}

} // namespace engine
