// The removal's spooler steps: the product's queues, drivers and language monitor, the files they
// leave in the spooler's driver directory, and the INFs its installs staged.
#include "engine/removal_steps.h"

#include "engine/install_log.h"
#include "engine/installed_printer.h"
#include "engine/package_locator.h"
#include "engine/printer_naming.h"
#include "engine/spooler_api.h"

#include <winspool.h>

#include <algorithm>

namespace engine {

namespace {

std::vector<wchar_t> Writable(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    return buffer;
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

using Queue = QueueListing;
using Driver = InstalledDriver;

bool ListQueues(std::vector<Queue>& queues) {
    return ListLocalQueues(queues);
}

bool ListDrivers(std::vector<Driver>& drivers) {
    return ListInstalledDrivers(SpoolerEnvironment(), drivers);
}

bool MonitorInstalled(bool& installed) {
    installed = false;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    const bool listed = EnumerateRecords(
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
    // A queue deleted with jobs waiting (a receipt the printer never took) is only marked for
    // deletion and stays until they are done; purged first, it goes at once. A refused purge
    // leaves that to the deletion's check below.
    const bool purged = spooler.SetPrinterW(printer, 0, nullptr, PRINTER_CONTROL_PURGE) != FALSE;
    WriteInstallStep(L"SetPrinter " + name + L" PRINTER_CONTROL_PURGE",
                     purged ? 0 : ::GetLastError());
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

bool ScheduleDeletion(const std::wstring& path) {
    const bool scheduled =
        RemovalFiles().MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    WriteInstallStep(L"MoveFileEx " + path + L" MOVEFILE_DELAY_UNTIL_REBOOT",
                     scheduled ? 0 : ::GetLastError());
    return scheduled;
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The monitor's copy in System32, where registration put it, once the spooler no longer names
// (and so no longer loads) the monitor: also the copy of an install that failed at the monitor.
// True when there was one.
bool RemoveMonitorFile(UninstallResult& result) {
    const std::wstring system = GetNativeSystemFolder();
    if (system.empty())
        return false;
    const std::wstring path = system + L"\\" + kLanguageMonitorFile;
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    const bool deleted = ::DeleteFileW(path.c_str()) != FALSE;
    const DWORD error = deleted ? 0 : ::GetLastError();
    WriteInstallStep(L"DeleteFile " + path, error);
    if (!deleted)
        Fail(result, RemovalStep::RemoveMonitor, error, path);
    return true;
}

} // namespace

std::wstring LowerCase(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

bool RemoveSpoolerObjects(const std::vector<std::wstring>& models, const InstallRecord* record,
                          UninstallResult& result, bool& found) {
    const auto ours = [&](const std::wstring& driver) {
        return IsRemovableDriver(driver, record, models);
    };
    std::vector<Queue> queues;
    if (!ListQueues(queues))
        return ListingRefused(L"EnumPrinters", RemovalStep::ListPrinters, result);
    for (const Queue& queue : queues) {
        if (!ours(queue.driver))
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
        inUse.insert(LowerCase(queue.driver));
        if (!ours(queue.driver))
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
        if (!ours(driver.name))
            continue;
        found = true;
        if (inUse.count(LowerCase(driver.name)) != 0) {
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

    // The monitor goes only when no installed driver, the product's or another, names it, and
    // (with a record) an install of the product added it.
    if (!ListDrivers(drivers))
        return ListingRefused(L"EnumPrinterDrivers", RemovalStep::ListDrivers, result);
    bool usedByOurs = false;
    bool usedByOthers = false;
    for (const Driver& driver : drivers) {
        const bool isOurs = ours(driver.name);
        if (isOurs)
            result.remainingDrivers.push_back(driver.name);
        if (::lstrcmpiW(driver.monitor.c_str(), kLanguageMonitorName) == 0)
            (isOurs ? usedByOurs : usedByOthers) = true;
    }
    bool installed = false;
    if (!MonitorInstalled(installed)) {
        const DWORD error = ::GetLastError();
        WriteInstallStep(L"EnumMonitors", error);
        Fail(result, RemovalStep::RemoveMonitor, error, kLanguageMonitorName);
        return false;
    }
    if (installed && !IsRemovableMonitor(kLanguageMonitorName, record)) {
        WriteInstallLog(
            L"语言监视器不是本产品安装的，未删除：" + std::wstring(kLanguageMonitorName), false);
        result.monitorKeptForOtherDriver = !usedByOurs;
    } else if (installed) {
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
            if (deleted || error == ERROR_UNKNOWN_PRINT_MONITOR) {
                result.monitorRemoved = deleted;
                RemoveMonitorFile(result);
            } else {
                Fail(result, RemovalStep::RemoveMonitor, error, kLanguageMonitorName);
            }
        }
    } else if (RemoveMonitorFile(result)) {
        found = true;
    }
    return result.failures.empty() && result.remainingPrinters.empty() &&
           result.remainingDrivers.empty();
}

// The files staged for the product that the removed drivers leave in the spooler's driver
// directory: the copies staged in its root before the drivers were added and, where the spooler
// did not take the file flag, the drivers' own copies in its version folder. Unidrv's files are
// the platform's and other makers' drivers name them too: a file any installed driver names, in
// any environment the spooler lists, stays; so does the monitor's file while the monitor stays.
// A file that cannot be deleted now is deleted at the next restart.
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
    const wchar_t* const environments[] = {L"Windows x64", L"Windows NT x86", L"Windows ARM64",
                                           L"Windows IA64"};
    for (const wchar_t* environment : environments) {
        std::vector<Driver> others;
        if (SpoolerEnvironment() != nullptr && ::lstrcmpiW(environment, SpoolerEnvironment()) == 0)
            continue;
        if (!ListInstalledDrivers(environment, others))
            continue; // an environment this spooler does not know has no drivers
        for (const Driver& driver : others)
            inUse.insert(inUse.end(), driver.files.begin(), driver.files.end());
    }
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

void RemoveStagedInfs(const InstallRecord& record, UninstallResult& result, bool& found) {
    wchar_t windows[MAX_PATH] = L"";
    const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const std::wstring infFolder = std::wstring(windows) + L"\\inf\\";
    for (const std::wstring& name : record.stagedInfs) {
        // Only a bare file name of the INF folder: the record is outside data.
        if (name.find_first_of(L"\\/:") != std::wstring::npos || name == L"." || name == L"..")
            continue;
        const std::wstring path = infFolder + name;
        if (!FileExists(path))
            continue;
        found = true;
        // Forced: a device once installed through Plug and Play still names the INF after its
        // driver has gone, and would keep it in the store, ready for the next printer plugged in.
        const bool removed =
            RemovalFiles().SetupUninstallOEMInfW(name.c_str(), SUOI_FORCEDELETE, nullptr) != FALSE;
        const DWORD error = removed ? 0 : ::GetLastError();
        WriteInstallStep(L"SetupUninstallOEMInf " + name + L" SUOI_FORCEDELETE", error);
        if (!removed) {
            Fail(result, RemovalStep::StagedInf, error, path);
            continue;
        }
        // The precompiled copy beside it, where the setup library leaves it.
        const std::size_t dot = name.find_last_of(L'.');
        const std::wstring pnf =
            infFolder + (dot == std::wstring::npos ? name : name.substr(0, dot)) + L".pnf";
        if (FileExists(pnf)) {
            const bool deleted = ::DeleteFileW(pnf.c_str()) != FALSE;
            WriteInstallStep(L"DeleteFile " + pnf, deleted ? 0 : ::GetLastError());
        }
        if (FileExists(path)) {
            // A setup library that answers success and keeps the file.
            const bool deleted = ::DeleteFileW(path.c_str()) != FALSE;
            const DWORD leftError = deleted ? 0 : ::GetLastError();
            WriteInstallStep(L"DeleteFile " + path, leftError);
            if (!deleted) {
                Fail(result, RemovalStep::StagedInf, leftError, path);
                continue;
            }
        }
        result.removedInfs.push_back(name);
    }
}

} // namespace engine
