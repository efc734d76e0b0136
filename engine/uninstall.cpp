// Removal of the product: spooler objects first, then files and folders, the kept installer, the
// record and the entry last.
#include "engine/uninstall.h"

#include "engine/apps_entry.h"
#include "engine/install_log.h"
#include "engine/install_record.h"
#include "engine/package_locator.h"
#include "engine/printer_info_file.h"
#include "engine/printer_naming.h"
#include "engine/removal_steps.h"
#include "engine/self_removal.h"
#include "engine/support_folders.h"

#include <algorithm>
#include <atomic>

namespace engine {

namespace {

std::atomic<const RemovalFilesApi*> g_filesOverride{nullptr};

bool StartsWithPath(const std::wstring& path, const std::wstring& folder) {
    return !folder.empty() && path.size() > folder.size() &&
           ::CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                                  static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

void Fail(UninstallResult& result, RemovalStep step, unsigned long error,
          const std::wstring& object) {
    result.failures.push_back({step, error, object});
}

std::wstring WithoutBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

std::wstring LastPart(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// A process's current folder cannot be removed: a removal started in the product folder (an
// administrator running the kept installer there) works from the system folder instead.
void LeaveFolder(const std::wstring& folder) {
    wchar_t current[MAX_PATH + 1] = L"";
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH + 1, current);
    if (length == 0 || length > MAX_PATH)
        return;
    const std::wstring here = std::wstring(current, length) + L"\\";
    if (!StartsWithPath(here, folder) &&
        ::CompareStringOrdinal(here.c_str(), -1, folder.c_str(), -1, TRUE) != CSTR_EQUAL)
        return;
    wchar_t system[MAX_PATH] = L"";
    const UINT systemLength = ::GetSystemDirectoryW(system, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH)
        return;
    const bool left = ::SetCurrentDirectoryW(system) != FALSE;
    WriteInstallStep(L"SetCurrentDirectory " + std::wstring(system), left ? 0 : ::GetLastError());
}

bool RemoveFile(const std::wstring& path, DWORD& error) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = 0;
        return true;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    const bool removed = ::DeleteFileW(path.c_str()) != FALSE;
    error = removed ? 0 : ::GetLastError();
    WriteInstallStep(L"DeleteFile " + path, error);
    return removed;
}

// The record of installs and the entry, once nothing else of the product is left.
bool RemoveRecordAndEntry(UninstallResult& result, bool& found) {
    InstallRecord ignored;
    found = found || ReadInstallRecord(ignored) || ProductEntryExists();
    if (!RemoveInstallRecord()) {
        Fail(result, RemovalStep::InstallRecord, ::GetLastError(),
             std::wstring(L"HKLM\\") + kInstallRecordKeyPath);
        return false;
    }
    if (!RemoveProductEntry()) {
        Fail(result, RemovalStep::ProductEntry, ::GetLastError(),
             std::wstring(L"HKLM\\") + kUninstallKeyPath + L"\\" + kProductEntryKeyName);
        return false;
    }
    result.entryRemoved = !ProductEntryExists();
    return true;
}

// The kept installer and its catalogue, then the folder, the record and the entry, with the
// removal running from elsewhere. The installer goes first: while it stays, so does the entry.
void RemoveKeptFilesAndEntry(const UninstallPlaces& places, UninstallResult& result, bool& found) {
    const std::wstring& folder = places.productFolder;
    if (!folder.empty() && FolderExists(folder)) {
        found = true;
        for (const wchar_t* name : {kKeptProgramName, kKeptCatalogueName}) {
            DWORD error = 0;
            if (!RemoveFile(folder + name, error)) {
                Fail(result, RemovalStep::ProductFolder, error, folder + name);
                return;
            }
        }
        std::vector<LeftOver> leftOvers;
        RemoveTree(folder, {}, true, leftOvers);
        for (const LeftOver& left : leftOvers)
            Fail(result, RemovalStep::ProductFolder, left.error, left.path);
        if (!leftOvers.empty())
            return;
    }
    result.productFolderRemoved = true;
    RemoveRecordAndEntry(result, found);
}

// The same with the removal running from the product folder. Its finishing copy is started
// first: one that cannot start leaves everything as it is. Then the record and the entry; then
// the catalogue goes and the running program moves out into the temporary folder, which lets the
// folder go now. Whatever of them stays, the finishing copy deletes once this process has ended
// (only when the entry is gone).
void LeaveKeptFilesToFinisher(const UninstallPlaces& places, UninstallResult& result, bool& found) {
    found = true;
    const std::wstring folder = WithoutBackslash(places.productFolder);
    wchar_t temp[MAX_PATH + 1] = L"";
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    wchar_t moved[MAX_PATH] = L"";
    if (length == 0 || length > MAX_PATH || !::GetTempFileNameW(temp, L"kvu", 0, moved)) {
        const DWORD error = ::GetLastError();
        WriteInstallStep(L"GetTempFileName", error);
        Fail(result, RemovalStep::KeptProgram, error, places.runningProgram);
        return;
    }
    const bool started =
        RemovalFiles().StartFinisher(places.runningProgram.c_str(), folder.c_str(), moved) != FALSE;
    WriteInstallStep(L"StartRemovalFinisher " + places.runningProgram,
                     started ? 0 : ::GetLastError());
    if (!started) {
        Fail(result, RemovalStep::KeptProgram, ::GetLastError(), places.runningProgram);
        ::DeleteFileW(moved);
        return;
    }
    result.finisherStarted = true;
    if (!RemoveRecordAndEntry(result, found))
        return;
    DWORD error = 0;
    RemoveFile(places.productFolder + kKeptCatalogueName, error);
    result.movedOut = RemovalFiles().MoveFileExW(places.runningProgram.c_str(), moved,
                                                 MOVEFILE_REPLACE_EXISTING) != FALSE;
    WriteInstallStep(L"MoveFileEx " + places.runningProgram + L" " + moved,
                     result.movedOut ? 0 : ::GetLastError());
    if (!result.movedOut)
        return;
    std::vector<LeftOver> leftOvers;
    RemoveTree(places.productFolder, {}, true, leftOvers);
    result.productFolderRemoved = leftOvers.empty();
}

} // namespace

bool FolderExists(const std::wstring& folder) {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void RemoveTree(const std::wstring& folder, const std::set<std::wstring>& keep, bool top,
                std::vector<LeftOver>& leftOvers) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
    bool kept = false;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (top && keep.count(LowerCase(name)) != 0) {
                kept = true;
                continue;
            }
            const std::wstring path = folder + name;
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (isFolder && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                RemoveTree(path + L"\\", keep, false, leftOvers);
                continue;
            }
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
                ::SetFileAttributesW(path.c_str(),
                                     found.dwFileAttributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
            const bool removed = isFolder ? ::RemoveDirectoryW(path.c_str()) != FALSE
                                          : ::DeleteFileW(path.c_str()) != FALSE;
            const DWORD error = removed ? 0 : ::GetLastError();
            WriteInstallStep((isFolder ? L"RemoveDirectory " : L"DeleteFile ") + path, error);
            if (!removed)
                leftOvers.push_back({path, error});
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    if (kept)
        return;
    std::wstring self = folder;
    self.pop_back();
    const bool removed = ::RemoveDirectoryW(self.c_str()) != FALSE;
    const DWORD error = removed ? 0 : ::GetLastError();
    WriteInstallStep(L"RemoveDirectory " + self, error);
    if (!removed)
        leftOvers.push_back({self, error});
}

const RemovalFilesApi& SystemRemovalFiles() {
    static const RemovalFilesApi system{&::MoveFileExW, &::SetupUninstallOEMInfW,
                                        &StartRemovalFinisher};
    return system;
}

const RemovalFilesApi& RemovalFiles() {
    const RemovalFilesApi* api = g_filesOverride.load();
    return api != nullptr ? *api : SystemRemovalFiles();
}

void SetRemovalFilesForTesting(const RemovalFilesApi* api) {
    g_filesOverride.store(api);
}

UninstallPlaces DefaultUninstallPlaces() {
    UninstallPlaces places;
    places.cataloguePath = GetCataloguePath();
    places.productFolder = GetProductFolder();
    places.startMenuFolders = GetProductStartMenuFolders();
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length != 0 && length < MAX_PATH)
        places.runningProgram.assign(path, length);
    return places;
}

UninstallResult UninstallProduct(const UninstallPlaces& places) {
    UninstallResult result;
    WriteInstallLog(L"卸载开始：产品目录 " + places.cataloguePath, false);
    LeaveFolder(places.productFolder);
    CPrinterInfoFile catalogue;
    catalogue.iniPath = places.cataloguePath;
    std::vector<std::wstring> models;
    if (!LoadCatalogueModels(catalogue, kProductLine, kCatalogueCapacity, models)) {
        const bool present =
            ::GetFileAttributesW(places.cataloguePath.c_str()) != INVALID_FILE_ATTRIBUTES;
        Fail(result, RemovalStep::Catalogue, present ? ERROR_INVALID_DATA : ERROR_FILE_NOT_FOUND,
             places.cataloguePath);
        WriteInstallLog(L"卸载失败：产品目录无法读取", false);
        return result;
    }

    InstallRecord record;
    result.recorded = ReadInstallRecord(record);
    WriteInstallLog(result.recorded
                        ? (record.olderInstall ? L"安装记录（含早期安装）" : L"安装记录")
                        : L"没有安装记录，按产品目录的型号查找",
                    false);
    bool found = false;
    const bool spoolerClean =
        RemoveSpoolerObjects(models, result.recorded ? &record : nullptr, result, found);
    if (spoolerClean) {
        RemoveDriverFiles(models, result, found);
        if (result.recorded)
            RemoveStagedInfs(record, result, found);
    }

    // The Start-menu folder in every place one was made: an absent one is no failure.
    result.startMenuFolderRemoved = true;
    for (const std::wstring& menuFolder : places.startMenuFolders) {
        if (menuFolder.empty() || !FolderExists(menuFolder))
            continue;
        found = true;
        std::vector<LeftOver> leftOvers;
        RemoveTree(menuFolder, {}, true, leftOvers);
        for (const LeftOver& left : leftOvers)
            Fail(result, RemovalStep::StartMenu, left.error, left.path);
        if (!leftOvers.empty())
            result.startMenuFolderRemoved = false;
    }

    // The product folder but the kept installer and its catalogue (and the running program).
    const bool running = StartsWithPath(places.runningProgram, places.productFolder);
    if (!places.productFolder.empty() && FolderExists(places.productFolder)) {
        found = true;
        std::set<std::wstring> keep = {LowerCase(kKeptProgramName), LowerCase(kKeptCatalogueName)};
        if (running)
            keep.insert(LowerCase(LastPart(places.runningProgram)));
        std::vector<LeftOver> leftOvers;
        RemoveTree(places.productFolder, keep, true, leftOvers);
        for (const LeftOver& left : leftOvers)
            Fail(result, RemovalStep::ProductFolder, left.error, left.path);
    }

    // Only when everything else has gone do the kept installer and the entry go: until then the
    // removal can be run again from Apps & Features.
    if (result.failures.empty()) {
        if (running && FolderExists(places.productFolder))
            LeaveKeptFilesToFinisher(places, result, found);
        else
            RemoveKeptFilesAndEntry(places, result, found);
    }

    result.nothingInstalled = !found;
    result.succeeded = result.failures.empty();
    WriteInstallLog(result.succeeded ? L"卸载成功" : L"卸载失败", false);
    return result;
}

UninstallResult UninstallProduct() {
    return UninstallProduct(DefaultUninstallPlaces());
}

} // namespace engine
