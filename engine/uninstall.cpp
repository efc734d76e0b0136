// Removal of the product: spooler objects first, then folders and the entry.
#include "engine/uninstall.h"

#include "engine/apps_entry.h"
#include "engine/checked_copy.h"
#include "engine/install_log.h"
#include "engine/package_locator.h"
#include "engine/printer_info_file.h"
#include "engine/printer_naming.h"
#include "engine/spooler_api.h"
#include "engine/support_folders.h"

#include <winspool.h>

#include <algorithm>
#include <atomic>
#include <set>

namespace engine {

namespace {

std::atomic<const RemovalFilesApi*> g_filesOverride{nullptr};

std::vector<wchar_t> Writable(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    return buffer;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

bool StartsWithPath(const std::wstring& path, const std::wstring& folder) {
    return !folder.empty() && path.size() > folder.size() &&
           ::CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                                  static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

void Fail(UninstallResult& result, RemovalStep step, unsigned long error,
          const std::wstring& object) {
    result.failures.push_back({step, error, object});
}

// A listing the spooler refused: logged and recorded as the step's failure. Always false.
bool ListingRefused(const wchar_t* call, RemovalStep step, UninstallResult& result) {
    const DWORD error = ::GetLastError();
    WriteInstallStep(call, error);
    Fail(result, step, error, L"");
    return false;
}

// An enumeration's records, read with a sizing call and a filling call (again when the list grew
// in between). False with the last error set when the spooler refuses.
template <typename Enumerate>
bool Enumerate2(Enumerate enumerate, std::vector<BYTE>& buffer, DWORD& count) {
    DWORD needed = 0;
    count = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        buffer.assign(needed, 0);
        if (enumerate(buffer.empty() ? nullptr : buffer.data(), needed, &needed, &count))
            return true;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
    }
    return false;
}

struct Queue {
    std::wstring name, driver;
};

bool ListQueues(std::vector<Queue>& queues) {
    queues.clear();
    std::vector<BYTE> buffer;
    DWORD count = 0;
    const bool listed = Enumerate2(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return Spooler().EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed,
                                           returned);
        },
        buffer, count);
    if (!listed)
        return false;
    const auto* records = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (records[i].pPrinterName != nullptr)
            queues.push_back({records[i].pPrinterName,
                              records[i].pDriverName != nullptr ? records[i].pDriverName : L""});
    return true;
}

struct Driver {
    std::wstring name, monitor;
    std::vector<std::wstring> files; // every file the driver names, as the spooler lists them
};

std::vector<std::wstring> FilesOf(const DRIVER_INFO_3W& record) {
    std::vector<std::wstring> files;
    for (const wchar_t* file :
         {record.pDriverPath, record.pDataFile, record.pConfigFile, record.pHelpFile})
        if (file != nullptr && *file != L'\0')
            files.push_back(file);
    for (const wchar_t* file = record.pDependentFiles; file != nullptr && *file != L'\0';
         file += ::lstrlenW(file) + 1)
        files.push_back(file);
    return files;
}

bool ListDrivers(std::vector<Driver>& drivers) {
    drivers.clear();
    std::vector<BYTE> buffer;
    DWORD count = 0;
    std::vector<wchar_t> environment =
        Writable(SpoolerEnvironment() != nullptr ? SpoolerEnvironment() : L"");
    LPWSTR env = SpoolerEnvironment() != nullptr ? environment.data() : nullptr;
    const bool listed = Enumerate2(
        [env](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return Spooler().EnumPrinterDriversW(nullptr, env, 3, data, size, needed, returned);
        },
        buffer, count);
    if (!listed)
        return false;
    const auto* records = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (records[i].pName != nullptr)
            drivers.push_back({records[i].pName,
                               records[i].pMonitorName != nullptr ? records[i].pMonitorName : L"",
                               FilesOf(records[i])});
    return true;
}

bool MonitorInstalled(bool& installed) {
    installed = false;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    const bool listed = Enumerate2(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return Spooler().EnumMonitorsW(nullptr, 1, data, size, needed, returned);
        },
        buffer, count);
    if (!listed)
        return false;
    const auto* records = reinterpret_cast<const MONITOR_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (records[i].pName != nullptr && ::lstrcmpiW(records[i].pName, kLanguageMonitorName) == 0)
            installed = true;
    return true;
}

bool DeleteQueue(const std::wstring& name, DWORD& error) {
    const SpoolerApi& spooler = Spooler();
    std::vector<wchar_t> writable = Writable(name);
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!spooler.OpenPrinterW(writable.data(), &printer, &defaults)) {
        error = ::GetLastError();
        WriteInstallStep(L"OpenPrinter " + name, error);
        return false;
    }
    const bool deleted = spooler.DeletePrinter(printer) != FALSE;
    error = deleted ? 0 : ::GetLastError();
    spooler.ClosePrinter(printer);
    WriteInstallStep(L"DeletePrinter " + name, error);
    return deleted;
}

bool DeleteDriver(const std::wstring& name, DWORD& error) {
    const SpoolerApi& spooler = Spooler();
    std::vector<wchar_t> writable = Writable(name);
    std::vector<wchar_t> environment =
        Writable(SpoolerEnvironment() != nullptr ? SpoolerEnvironment() : L"");
    LPWSTR env = SpoolerEnvironment() != nullptr ? environment.data() : nullptr;
    bool deleted =
        spooler.DeletePrinterDriverExW(nullptr, env, writable.data(), DPD_DELETE_UNUSED_FILES, 0);
    error = deleted ? 0 : ::GetLastError();
    WriteInstallStep(L"DeletePrinterDriverEx " + name + L" DPD_DELETE_UNUSED_FILES", error);
    if (!deleted && error == ERROR_INVALID_PARAMETER) {
        // A spooler that does not take the file flag still removes the registration; the files
        // then stay in its driver directory.
        deleted = spooler.DeletePrinterDriverExW(nullptr, env, writable.data(), 0, 0);
        error = deleted ? 0 : ::GetLastError();
        WriteInstallStep(L"DeletePrinterDriverEx " + name, error);
    }
    if (!deleted && error == ERROR_UNKNOWN_PRINTER_DRIVER) {
        error = 0; // gone already
        return true;
    }
    return deleted;
}

// The queues, drivers and monitor of the product. True when none of them remains.
bool RemoveSpoolerObjects(const std::vector<std::wstring>& models, UninstallResult& result,
                          bool& found) {
    std::vector<Queue> queues;
    if (!ListQueues(queues))
        return ListingRefused(L"EnumPrinters", RemovalStep::ListPrinters, result);
    for (const Queue& queue : queues) {
        if (!IsProductDriverName(queue.driver, models))
            continue;
        found = true;
        DWORD error = 0;
        if (DeleteQueue(queue.name, error))
            result.removedPrinters.push_back(queue.name);
        else
            Fail(result, RemovalStep::RemovePrinter, error, queue.name);
    }

    // What remains decides which drivers are still in use: a queue being deleted while it prints
    // stays until its jobs are done.
    if (!ListQueues(queues))
        return ListingRefused(L"EnumPrinters", RemovalStep::ListPrinters, result);
    std::set<std::wstring> inUse;
    for (const Queue& queue : queues) {
        inUse.insert(Lower(queue.driver));
        if (!IsProductDriverName(queue.driver, models))
            continue;
        result.remainingPrinters.push_back(queue.name);
        // A queue deleted while it still has jobs stays listed until they are done.
        auto removed =
            std::find(result.removedPrinters.begin(), result.removedPrinters.end(), queue.name);
        if (removed != result.removedPrinters.end()) {
            result.removedPrinters.erase(removed);
            WriteInstallLog(L"打印机删除后仍在列表中（尚有打印作业）：" + queue.name, false);
            Fail(result, RemovalStep::RemovePrinter, ERROR_BUSY, queue.name);
        }
    }

    std::vector<Driver> drivers;
    if (!ListDrivers(drivers))
        return ListingRefused(L"EnumPrinterDrivers", RemovalStep::ListDrivers, result);
    for (const Driver& driver : drivers) {
        if (!IsProductDriverName(driver.name, models))
            continue;
        found = true;
        if (inUse.count(Lower(driver.name)) != 0) {
            WriteInstallLog(L"打印机驱动仍被打印机使用，未删除：" + driver.name, false);
            Fail(result, RemovalStep::RemoveDriver, ERROR_PRINTER_DRIVER_IN_USE, driver.name);
            continue;
        }
        DWORD error = 0;
        if (DeleteDriver(driver.name, error))
            result.removedDrivers.push_back(driver.name);
        else
            Fail(result, RemovalStep::RemoveDriver, error, driver.name);
    }

    // The monitor goes only when no installed driver, the product's or another, names it.
    if (!ListDrivers(drivers))
        return ListingRefused(L"EnumPrinterDrivers", RemovalStep::ListDrivers, result);
    bool usedByOurs = false;
    bool usedByOthers = false;
    for (const Driver& driver : drivers) {
        const bool ours = IsProductDriverName(driver.name, models);
        if (ours)
            result.remainingDrivers.push_back(driver.name);
        if (::lstrcmpiW(driver.monitor.c_str(), kLanguageMonitorName) == 0)
            (ours ? usedByOurs : usedByOthers) = true;
    }
    bool installed = false;
    if (!MonitorInstalled(installed)) {
        const DWORD error = ::GetLastError();
        WriteInstallStep(L"EnumMonitors", error);
        Fail(result, RemovalStep::RemoveMonitor, error, kLanguageMonitorName);
        return false;
    }
    if (installed) {
        found = true;
        if (usedByOurs || usedByOthers) {
            WriteInstallLog(L"语言监视器仍被打印机驱动使用，未删除：" +
                                std::wstring(kLanguageMonitorName),
                            false);
            result.monitorKeptForOtherDriver = !usedByOurs;
        } else {
            std::vector<wchar_t> name = Writable(kLanguageMonitorName);
            std::vector<wchar_t> environment =
                Writable(SpoolerEnvironment() != nullptr ? SpoolerEnvironment() : L"");
            LPWSTR env = SpoolerEnvironment() != nullptr ? environment.data() : nullptr;
            const bool deleted = Spooler().DeleteMonitorW(nullptr, env, name.data()) != FALSE;
            const DWORD error = deleted ? 0 : ::GetLastError();
            WriteInstallStep(L"DeleteMonitor " + std::wstring(kLanguageMonitorName), error);
            if (deleted || error == ERROR_UNKNOWN_PRINT_MONITOR)
                result.monitorRemoved = deleted;
            else
                Fail(result, RemovalStep::RemoveMonitor, error, kLanguageMonitorName);
        }
    }
    return result.failures.empty() && result.remainingPrinters.empty() &&
           result.remainingDrivers.empty();
}

// A file or folder that could not be removed.
struct LeftOver {
    std::wstring path;
    DWORD error;
};

// Removes a folder's files and folders, then the folder; entries named in `keep` (directly in the
// top folder) stay, and so does the folder then. Links to other folders are removed, never
// followed. Returns what could not be removed, in the order it was tried: files before their
// folders.
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
            if (top && keep.count(Lower(name)) != 0) {
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

bool FolderExists(const std::wstring& folder) {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ScheduleDeletion(const std::wstring& path) {
    const bool scheduled =
        RemovalFiles().MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    WriteInstallStep(L"MoveFileEx " + path + L" MOVEFILE_DELAY_UNTIL_REBOOT",
                     scheduled ? 0 : ::GetLastError());
    return scheduled;
}

// The maker's files the removed drivers leave in the spooler's driver directory: the copies staged
// in its root before the drivers were added and, where the spooler did not take the file flag,
// the drivers' own copies in its version folder. A file an installed driver still names stays;
// so does the monitor's file while the monitor stays. A file that cannot be deleted now is
// deleted at the next restart.
void RemoveDriverFiles(const std::vector<std::wstring>& models, UninstallResult& result,
                       bool& found) {
    std::vector<Driver> drivers;
    std::wstring directory;
    if (!ListDrivers(drivers)) {
        ListingRefused(L"EnumPrinterDrivers", RemovalStep::ListDrivers, result);
        return;
    }
    if (!GetDriverDirectory(directory)) {
        WriteInstallStep(L"GetPrinterDriverDirectory", ::GetLastError());
        return; // nowhere the spooler keeps files: nothing of ours to look for
    }
    std::vector<std::wstring> inUse;
    for (const Driver& driver : drivers)
        inUse.insert(inUse.end(), driver.files.begin(), driver.files.end());
    if (result.monitorKeptForOtherDriver)
        inUse.push_back(kLanguageMonitorFile);
    const std::vector<std::wstring> leftOver = LeftOverDriverFiles(models, inUse);
    for (const std::wstring& folder : {directory + L"\\", directory + L"\\3\\"}) {
        for (const std::wstring& name : leftOver) {
            const std::wstring path = folder + name;
            const DWORD attributes = ::GetFileAttributesW(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES ||
                (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                continue;
            found = true;
            if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
                ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
            const bool deleted = ::DeleteFileW(path.c_str()) != FALSE;
            const DWORD error = deleted ? 0 : ::GetLastError();
            WriteInstallStep(L"DeleteFile " + path, error);
            if (deleted)
                continue;
            if (ScheduleDeletion(path))
                result.restartPending = true;
            else
                Fail(result, RemovalStep::DriverFiles, ::GetLastError(), path);
        }
    }
}

// Moves the running program out of the product folder into the temporary folder (a running
// program cannot be deleted, but can be moved within its volume) and has it deleted at the next
// restart. False when it cannot be moved.
bool MoveRunningProgramOut(const std::wstring& program) {
    wchar_t temp[MAX_PATH + 1] = L"";
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    wchar_t target[MAX_PATH] = L"";
    if (length == 0 || length > MAX_PATH || !::GetTempFileNameW(temp, L"kvu", 0, target)) {
        WriteInstallStep(L"GetTempFileName", ::GetLastError());
        return false;
    }
    const bool moved =
        RemovalFiles().MoveFileExW(program.c_str(), target, MOVEFILE_REPLACE_EXISTING) != FALSE;
    const DWORD error = moved ? 0 : ::GetLastError();
    WriteInstallStep(L"MoveFileEx " + program + L" " + target, error);
    if (!moved) {
        ::DeleteFileW(target);
        return false;
    }
    ScheduleDeletion(target);
    return true;
}

void RemoveProductFolder(const UninstallPlaces& places, bool keepProgram, UninstallResult& result,
                         bool& found) {
    const std::wstring& folder = places.productFolder;
    if (folder.empty() || !FolderExists(folder)) {
        result.productFolderRemoved = !keepProgram;
        return;
    }
    found = true;
    std::set<std::wstring> keep;
    if (keepProgram) {
        keep.insert(Lower(kKeptProgramName));
        keep.insert(Lower(kKeptCatalogueName));
    }
    const bool running = StartsWithPath(places.runningProgram, folder);
    bool runningStays = false;
    if (running && !keepProgram) {
        runningStays = !MoveRunningProgramOut(places.runningProgram);
        result.restartPending = !runningStays;
    }
    std::vector<LeftOver> leftOvers;
    RemoveTree(folder, keep, true, leftOvers);
    if (keepProgram) {
        for (const LeftOver& left : leftOvers)
            Fail(result, RemovalStep::ProductFolder, left.error, left.path);
        return;
    }
    // The running program that could not be moved out, and the folders holding it, are deleted at
    // the next restart, the program first.
    bool scheduled = runningStays;
    for (const LeftOver& left : leftOvers) {
        const bool holdsProgram = SamePath(left.path, places.runningProgram) ||
                                  StartsWithPath(places.runningProgram, left.path + L"\\");
        if (runningStays && holdsProgram) {
            if (!ScheduleDeletion(left.path)) {
                const DWORD error = ::GetLastError();
                scheduled = false;
                Fail(result, RemovalStep::ProductFolder, error, left.path);
            }
            continue;
        }
        Fail(result, RemovalStep::ProductFolder, left.error, left.path);
    }
    if (scheduled)
        result.restartPending = true;
    result.productFolderRemoved =
        std::none_of(result.failures.begin(), result.failures.end(),
                     [](const RemovalFailure& f) { return f.step == RemovalStep::ProductFolder; });
}

} // namespace

const RemovalFilesApi& RemovalFiles() {
    static const RemovalFilesApi system{&::MoveFileExW};
    const RemovalFilesApi* api = g_filesOverride.load();
    return api != nullptr ? *api : system;
}

void SetRemovalFilesForTesting(const RemovalFilesApi* api) {
    g_filesOverride.store(api);
}

UninstallPlaces DefaultUninstallPlaces() {
    UninstallPlaces places;
    places.cataloguePath = GetCataloguePath();
    places.productFolder = GetProductFolder();
    places.startMenuFolder = GetProductStartMenuFolder();
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length != 0 && length < MAX_PATH)
        places.runningProgram.assign(path, length);
    return places;
}

UninstallResult UninstallProduct(const UninstallPlaces& places) {
    UninstallResult result;
    WriteInstallLog(L"卸载开始：产品目录 " + places.cataloguePath, false);
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

    bool found = false;
    const bool spoolerClean = RemoveSpoolerObjects(models, result, found);
    if (spoolerClean)
        RemoveDriverFiles(models, result, found);

    if (!places.startMenuFolder.empty() && FolderExists(places.startMenuFolder)) {
        found = true;
        std::vector<LeftOver> leftOvers;
        RemoveTree(places.startMenuFolder, {}, true, leftOvers);
        for (const LeftOver& left : leftOvers)
            Fail(result, RemovalStep::StartMenu, left.error, left.path);
        result.startMenuFolderRemoved = leftOvers.empty();
    } else {
        result.startMenuFolderRemoved = true;
    }

    // While something of the product stays in the spooler, the entry and the kept installer stay
    // too, so that the removal can be run again.
    RemoveProductFolder(places, !spoolerClean, result, found);
    if (spoolerClean) {
        const bool existed = ProductEntryExists();
        found = found || existed;
        if (existed && !RemoveProductEntry()) {
            const DWORD error = ::GetLastError();
            Fail(result, RemovalStep::ProductEntry, error,
                 std::wstring(L"HKLM\\") + kUninstallKeyPath + L"\\" + kProductEntryKeyName);
        }
        result.entryRemoved = !ProductEntryExists();
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
