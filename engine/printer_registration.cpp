// Registration of the language monitor, the printer driver and the printer queue.
#include "engine/printer_registration.h"

#include "engine/checked_copy.h"
#include "engine/dependent_files.h"
#include "engine/install_log.h"
#include "engine/install_record.h"
#include "engine/job_observer.h"
#include "engine/package_locator.h"
#include "engine/printer_naming.h"
#include "engine/spooler_api.h"
#include "engine/service_control.h"

#include <vector>

namespace engine {

namespace {

constexpr DWORD kReinstallPauseMs = 500;

// The spooler's records take writable strings.
std::vector<wchar_t> Writable(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    return buffer;
}

// The file of the installed monitor named `name`, as a full path: the spooler gives its DLL's
// name, which without a folder lies in this Windows' System32. "" when the spooler does not tell
// (or no such monitor is installed).
std::wstring InstalledMonitorFile(const wchar_t* name) {
    const SpoolerApi& spooler = Spooler();
    DWORD needed = 0;
    DWORD returned = 0;
    if (spooler.EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &returned) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0)
        return std::wstring();
    std::vector<BYTE> buffer(needed);
    if (!spooler.EnumMonitorsW(nullptr, 2, buffer.data(), needed, &needed, &returned))
        return std::wstring();
    const auto* monitors = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) {
        const MONITOR_INFO_2W& monitor = monitors[i];
        if (monitor.pName == nullptr || monitor.pDLLName == nullptr ||
            ::lstrcmpiW(monitor.pName, name) != 0 || monitor.pDLLName[0] == L'\0')
            continue;
        const std::wstring file = monitor.pDLLName;
        if (file.find(L'\\') != std::wstring::npos || file.find(L':') != std::wstring::npos)
            return file;
        const std::wstring system = GetNativeSystemFolder();
        return system.empty() ? std::wstring() : system + L"\\" + file;
    }
    return std::wstring();
}

} // namespace

bool InstalledMonitorIsOurs(const std::wstring& name, const std::wstring& stagedFile) {
    const std::wstring installed = InstalledMonitorFile(name.c_str());
    return !installed.empty() && FilesIdentical(stagedFile, installed);
}

bool PlaceMonitorInSystemFolder(const std::wstring& stagedFile) {
    const std::wstring system = GetNativeSystemFolder();
    if (system.empty()) {
        WriteInstallStep(L"GetSystemDirectory", ::GetLastError());
        return false;
    }
    const std::wstring target = system + L"\\" + kLanguageMonitorFile;
    if (FilesIdentical(stagedFile, target))
        return true;
    ClearReadOnly(target);
    const bool copied = ::CopyFileW(stagedFile.c_str(), target.c_str(), FALSE) != FALSE;
    WriteInstallStep(L"CopyFile " + stagedFile + L" " + target, copied ? 0 : ::GetLastError());
    return copied;
}

std::wstring MakePrinterName(const std::wstring& modelName) {
    const SpoolerApi& spooler = Spooler();
    const std::wstring base = PrinterBaseName(modelName);
    std::wstring name = base;
    for (int copy = 1;; ++copy) {
        std::vector<wchar_t> printerName = Writable(name);
        HANDLE printer = nullptr;
        if (!spooler.OpenPrinterW(printerName.data(), &printer, nullptr))
            return name;
        spooler.ClosePrinter(printer);
        name = PrinterCopyName(base, copy);
    }
}

bool ReinstallLanguageMonitor(MONITOR_INFO_2W& monitorInfo, DWORD addError,
                              const std::wstring& stagedFile) {
    if (addError != ERROR_PRINT_MONITOR_ALREADY_INSTALLED)
        return false;
    // The monitor installed is this one, byte for byte: kept as it is, and the spooler, which
    // every program on the machine prints through, is not interrupted.
    if (InstalledMonitorIsOurs(monitorInfo.pName, stagedFile)) {
        WriteInstallLog(L"语言监视器未改变，保留已安装的 " + std::wstring(monitorInfo.pName),
                        false);
        return true;
    }
    // The running spooler holds the installed monitor loaded; it is restarted before the monitor
    // is deleted and added again from the driver directory.
    if (!engine::RestartSpooler())
        return false;
    ::Sleep(kReinstallPauseMs);
    const SpoolerApi& spooler = Spooler();
    const std::wstring name = monitorInfo.pName;
    if (!spooler.DeleteMonitorW(nullptr, monitorInfo.pEnvironment, monitorInfo.pName)) {
        WriteInstallStep(L"DeleteMonitor " + name, ::GetLastError());
        return false;
    }
    // Deleted, the monitor's file is no longer loaded and can be replaced.
    if (!PlaceMonitorInSystemFolder(stagedFile))
        return false;
    const bool added = spooler.AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitorInfo));
    WriteInstallStep(L"AddMonitor " + name, added ? 0 : ::GetLastError());
    return added;
}

namespace {

// The driver record of printerName on the model's data file, with the files in the driver
// directory; the strings live as long as the record.
struct DriverRecord {
    DriverRecord(const std::wstring& directory, const std::wstring& printerName,
                 const std::wstring& dataFileName)
        : name(Writable(printerName)), environment(Writable(SpoolerEnvironment())),
          driverPath(Writable(directory + L"UNIDRV.DLL")),
          dataFile(Writable(directory + dataFileName)),
          configFile(Writable(directory + L"unidrvui.dll")),
          helpFile(Writable(directory + L"unidrv.hlp")),
          dependentFiles(ToNameList(DependentFileText(dataFileName))),
          monitorName(Writable(kLanguageMonitorName)), dataType(Writable(L"RAW")),
          maker(Writable(kMakerName)) {
        info.cVersion = 3;
        info.pName = name.data();
        info.pEnvironment = environment.data();
        info.pDriverPath = driverPath.data();
        info.pDataFile = dataFile.data();
        info.pConfigFile = configFile.data();
        info.pHelpFile = helpFile.data();
        info.pDependentFiles = dependentFiles.data();
        info.pMonitorName = monitorName.data();
        info.pDefaultDataType = dataType.data();
        info.pszzPreviousNames = nullptr;
        info.ftDriverDate = FILETIME{};
        info.dwlDriverVersion = 0;
        info.pszMfgName = maker.data();
        info.pszOEMUrl = nullptr;
        info.pszHardwareID = nullptr;
        info.pszProvider = nullptr;
    }
    std::vector<wchar_t> name, environment, driverPath, dataFile, configFile, helpFile,
        dependentFiles, monitorName, dataType, maker;
    DRIVER_INFO_6W info{};
};

// The driver directory with a trailing backslash; "2" reported when the spooler does not tell.
bool DriverDirectoryForRegistration(std::wstring& directory) {
    if (!GetDriverDirectory(directory)) {
        // The driver's files cannot be found without it, as when they could not be staged.
        WriteInstallStep(L"GetPrinterDriverDirectory", ::GetLastError());
        ReportFailure(L"2");
        return false;
    }
    directory += L"\\";
    return true;
}

// The spooler loads a monitor from System32 by its file name (as an INF installs one): the staged
// file is copied there first. A copy of other bytes there is replaced now only when no monitor of
// ours is installed; an installed one holds it loaded, and is replaced through the restart.
bool AddLanguageMonitorFrom(const std::wstring& directory, MonitorChange* change) {
    const std::wstring staged = directory + kLanguageMonitorFile;
    if (InstalledMonitorFile(kLanguageMonitorName).empty() && !PlaceMonitorInSystemFolder(staged)) {
        ReportFailure(L"5");
        return false;
    }
    std::vector<wchar_t> monitorName = Writable(kLanguageMonitorName);
    std::vector<wchar_t> monitorPath = Writable(kLanguageMonitorFile);
    std::vector<wchar_t> environment = Writable(SpoolerEnvironment());
    MONITOR_INFO_2W monitor{};
    monitor.pName = monitorName.data();
    monitor.pEnvironment = environment.data();
    monitor.pDLLName = monitorPath.data();
    if (Spooler().AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor))) {
        WriteInstallStep(L"AddMonitor " + std::wstring(kLanguageMonitorName), 0);
        RecordAddedMonitor(kLanguageMonitorName);
        if (change != nullptr)
            *change = MonitorChange::Added;
        return true;
    }
    const DWORD error = ::GetLastError();
    WriteInstallStep(L"AddMonitor " + std::wstring(kLanguageMonitorName), error);
    const bool same = error == ERROR_PRINT_MONITOR_ALREADY_INSTALLED &&
                      InstalledMonitorIsOurs(kLanguageMonitorName, staged);
    if (!ReinstallLanguageMonitor(monitor, error, staged)) {
        ReportFailure(L"5");
        return false;
    }
    if (change != nullptr)
        *change = same ? MonitorChange::Kept : MonitorChange::Replaced;
    return true;
}

} // namespace

bool RegisterLanguageMonitor(MonitorChange* change) {
    std::wstring directory;
    return DriverDirectoryForRegistration(directory) && AddLanguageMonitorFrom(directory, change);
}

bool RegisterDriverAndPrinter(const std::wstring& printerName, const std::wstring& portName,
                              const std::wstring& dataFileName) {
    std::wstring directory;
    if (!DriverDirectoryForRegistration(directory) || !AddLanguageMonitorFrom(directory, nullptr))
        return false;
    const SpoolerApi& spooler = Spooler();
    DriverRecord driver(directory, printerName, dataFileName);
    const bool driverAdded =
        spooler.AddPrinterDriverW(nullptr, 6, reinterpret_cast<LPBYTE>(&driver.info)) != FALSE;
    WriteInstallStep(L"AddPrinterDriver " + printerName, driverAdded ? 0 : ::GetLastError());
    if (!driverAdded) {
        ReportFailure(L"4");
        return false;
    }

    std::vector<wchar_t> port = Writable(portName);
    std::vector<wchar_t> processor = Writable(L"winprint");
    PRINTER_INFO_2W printer{};
    printer.pPrinterName = driver.name.data();
    printer.pPortName = port.data();
    printer.pDriverName = driver.name.data();
    printer.pPrintProcessor = processor.data();
    printer.pDatatype = driver.dataType.data();
    printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE added = spooler.AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&printer));
    WriteInstallStep(L"AddPrinter " + printerName + L" " + portName,
                     added != nullptr ? 0 : ::GetLastError());
    if (added == nullptr) {
        ReportFailure(L"6");
        return false;
    }
    spooler.ClosePrinter(added);
    return true;
}

bool UpdatePrinterDriver(const std::wstring& driverName, const std::wstring& dataFileName) {
    std::wstring directory;
    if (!DriverDirectoryForRegistration(directory))
        return false;
    DriverRecord driver(directory, driverName, dataFileName);
    // Over a driver of the same name the spooler takes every file again, whatever its date, and
    // the queues on the driver print with the new files from their next job on.
    const bool updated =
        Spooler().AddPrinterDriverExW(nullptr, 6, reinterpret_cast<LPBYTE>(&driver.info),
                                      APD_COPY_ALL_FILES) != FALSE;
    WriteInstallStep(L"AddPrinterDriverEx " + driverName, updated ? 0 : ::GetLastError());
    if (!updated)
        ReportFailure(L"4");
    return updated;
}

} // namespace engine
