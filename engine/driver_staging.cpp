// Staging of the driver package into the spooler's driver directory and the INF store.
#include "engine/driver_staging.h"

#include "engine/folder_walk.h"
#include "engine/install_log.h"
#include "engine/install_record.h"
#include "engine/job_observer.h"

#include "engine/checked_copy.h"
#include "engine/package_locator.h"
#include "engine/package_paths.h"
#include "engine/staging_api.h"
#include "engine/staging_lists.h"
#include "engine/support_folders.h"

#include <windows.h>

#include <vector>

namespace engine {

namespace {

// What a walk of the package met: the maker's files found, whether any of their copies failed
// (each failure has reported its code), and the files the walk put where there was none.
struct TreeCopy {
    std::vector<std::wstring> makerFiles;
    bool copyFailed = false;
    std::vector<std::wstring> created;
};

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A copy that failed part-way leaves the driver directory as it found it: the files this copy
// created go again. Files that were there before (the system's, an older driver's) stay.
void RemoveCreatedFiles(const std::vector<std::wstring>& created) {
    int removed = 0;
    for (const std::wstring& path : created) {
        ClearReadOnly(path);
        if (::DeleteFileW(path.c_str()))
            ++removed;
        else
            WriteInstallLog(L"DeleteFile " + path, true);
    }
    if (!created.empty())
        WriteInstallLog(L"已删除本次复制的驱动文件 " + std::to_wstring(removed) + L" 个", false);
}

void CopyListedFiles(const std::wstring& sourceFolder, const std::wstring& targetFolder,
                     const StagingLists& lists, TreeCopy& copy) {
    ForEachFolderEntry(sourceFolder, [&](const std::wstring& name, bool isFolder) {
        if (isFolder) {
            // Every subfolder's files land in the one target folder.
            CopyListedFiles(sourceFolder + name + L"\\", targetFolder, lists, copy);
            return;
        }
        const std::wstring source = sourceFolder + name;
        const std::wstring target = targetFolder + name;
        switch (StagingActionFor(lists, name)) {
        case StagingAction::Skip:
            break;
        case StagingAction::CopyIfMissing:
            // The system's own copy of a platform file is never replaced; a new copy does not keep
            // the read-only attribute of a distribution on read-only media.
            if (Staging().CopyFileW(source.c_str(), target.c_str(), TRUE)) {
                ClearReadOnly(target);
                copy.created.push_back(target);
            }
            break;
        case StagingAction::CopyChecked: {
            // The copying goes on after a failed file, so every file that can be placed is.
            copy.makerFiles.push_back(name);
            const bool existed = Exists(target);
            if (!CopyFileChecked(source, target))
                copy.copyFailed = true;
            else if (!existed)
                copy.created.push_back(target);
            break;
        }
        }
    });
}

} // namespace

bool CopyDriverTree(const std::wstring& sourceFolder, const std::wstring& targetFolder,
                    const std::wstring& dataFileName) {
    const StagingLists lists = BuildStagingLists(dataFileName);
    TreeCopy copy;
    CopyListedFiles(sourceFolder, targetFolder, lists, copy);
    if (copy.copyFailed) {
        RemoveCreatedFiles(copy.created);
        return false;
    }
    // A package folder that is missing or lacks a maker's file cannot give a working driver.
    const std::vector<std::wstring> missing = MissingMakerFiles(lists, copy.makerFiles);
    if (!missing.empty()) {
        std::wstring names;
        for (const std::wstring& name : missing)
            names += L" " + name;
        WriteInstallLog(L"驱动包缺少文件 " + sourceFolder + L":" + names, false);
        ReportFailure(L"2");
        RemoveCreatedFiles(copy.created);
        return false;
    }
    return true;
}

bool StageInf(const std::wstring& infPath, const std::wstring& infFolder) {
    const StagingApi& api = Staging();
    // The name the INF store gave the copy ("oem12.inf"), which only its removal can take back.
    wchar_t destination[MAX_PATH] = L"";
    BOOL staged = api.SetupCopyOEMInfW(infPath.c_str(), infFolder.c_str(), SPOST_PATH, 0,
                                       destination, MAX_PATH, nullptr, nullptr);
    // ERROR_NOT_FOUND earns one more attempt; any other refusal is final.
    if (!staged && ::GetLastError() == ERROR_NOT_FOUND)
        staged = api.SetupCopyOEMInfW(infPath.c_str(), infFolder.c_str(), SPOST_PATH, 0,
                                      destination, MAX_PATH, nullptr, nullptr);
    WriteInstallStep(L"SetupCopyOEMInf " + infPath +
                         (staged ? L" " + std::wstring(destination) : L""),
                     staged ? 0 : ::GetLastError());
    if (!staged) {
        ReportFailure(L"3");
        return false;
    }
    destination[MAX_PATH - 1] = L'\0';
    const std::wstring stagedPath = destination;
    const std::size_t slash = stagedPath.find_last_of(L"\\/");
    const std::wstring file =
        slash == std::wstring::npos ? stagedPath : stagedPath.substr(slash + 1);
    if (!file.empty())
        RecordStagedInf(file);
    return true;
}

bool StageDriverPackageFrom(const std::wstring& programDirectory,
                            const std::wstring& dataFileName) {
    std::wstring driverDirectory;
    if (!GetDriverDirectory(driverDirectory)) {
        // Nowhere to copy the package to.
        WriteInstallStep(L"GetPrinterDriverDirectory", ::GetLastError());
        ReportFailure(L"2");
        return false;
    }
    const bool native64 = IsNative64Bit();
    const std::wstring packageFolder = DriverSourceFolderOf(programDirectory, native64);
    const bool copied = CopyDriverTree(packageFolder, driverDirectory + L"\\", dataFileName);
    WriteInstallLog(std::wstring(copied ? L"驱动文件已复制到 " : L"驱动文件未能复制到 ") +
                        driverDirectory,
                    false);
    if (!copied)
        return false;
    InstallSupportFoldersFrom(programDirectory);
    WriteInstallLog(L"产品手册、工具和卸载程序已复制", false);
    return StageInf(InfPathOf(programDirectory, native64), packageFolder);
}

bool StageDriverPackage(const std::wstring& dataFileName) {
    return StageDriverPackageFrom(GetProgramDirectory(), dataFileName);
}

} // namespace engine
