// Registration of the language monitor, the printer driver and the printer queue.
#include "engine/printer_registration.h"

#include "engine/checked_copy.h"
#include "engine/dependent_files.h"
#include "engine/install_log.h"
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
// name, which without a folder lies in the system folder. "" when the spooler does not tell.
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
        wchar_t system[MAX_PATH] = L"";
        const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return std::wstring();
        return std::wstring(system) + L"\\" + file;
    }
    return std::wstring();
}

} // namespace

bool InstalledMonitorIsOurs(const MONITOR_INFO_2W& monitorInfo) {
    const std::wstring installed = InstalledMonitorFile(monitorInfo.pName);
    return !installed.empty() && FilesIdentical(monitorInfo.pDLLName, installed);
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

bool ReinstallLanguageMonitor(MONITOR_INFO_2W& monitorInfo, DWORD addError) {
    if (addError != ERROR_PRINT_MONITOR_ALREADY_INSTALLED)
        return false;
    // The monitor installed is this one, byte for byte: kept as it is, and the spooler, which
    // every program on the machine prints through, is not interrupted.
    if (InstalledMonitorIsOurs(monitorInfo)) {
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
    const bool added = spooler.AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitorInfo));
    WriteInstallStep(L"AddMonitor " + name, added ? 0 : ::GetLastError());
    return added;
}

bool RegisterDriverAndPrinter(const std::wstring& printerName, const std::wstring& portName,
                              const std::wstring& dataFileName) {
    std::wstring directory;
    if (!GetDriverDirectory(directory)) {
        // The driver's files cannot be found without it, as when they could not be staged.
        WriteInstallStep(L"GetPrinterDriverDirectory", ::GetLastError());
        ReportFailure(L"2");
        return false;
    }
    directory += L"\\";
    const SpoolerApi& spooler = Spooler();

    std::vector<wchar_t> monitorName = Writable(kLanguageMonitorName);
    std::vector<wchar_t> monitorPath = Writable(directory + kLanguageMonitorFile);
    MONITOR_INFO_2W monitor{};
    monitor.pName = monitorName.data();
    std::vector<wchar_t> environment = Writable(SpoolerEnvironment());
    monitor.pEnvironment = environment.data();
    monitor.pDLLName = monitorPath.data();
    if (spooler.AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor))) {
        WriteInstallStep(L"AddMonitor " + std::wstring(kLanguageMonitorName), 0);
    } else {
        const DWORD error = ::GetLastError();
        WriteInstallStep(L"AddMonitor " + std::wstring(kLanguageMonitorName), error);
        if (!ReinstallLanguageMonitor(monitor, error)) {
            ReportFailure(L"5");
            return false;
        }
    }

    std::vector<wchar_t> name = Writable(printerName);
    std::vector<wchar_t> driverPath = Writable(directory + L"UNIDRV.DLL");
    std::vector<wchar_t> dataFile = Writable(directory + dataFileName);
    std::vector<wchar_t> configFile = Writable(directory + L"unidrvui.dll");
    std::vector<wchar_t> helpFile = Writable(directory + L"unidrv.hlp");
    std::vector<wchar_t> dependentFiles = ToNameList(DependentFileText(dataFileName));
    std::vector<wchar_t> dataType = Writable(L"RAW");
    std::vector<wchar_t> maker = Writable(kMakerName);
    DRIVER_INFO_6W driver{};
    driver.cVersion = 3;
    driver.pName = name.data();
    driver.pEnvironment = environment.data();
    driver.pDriverPath = driverPath.data();
    driver.pDataFile = dataFile.data();
    driver.pConfigFile = configFile.data();
    driver.pHelpFile = helpFile.data();
    driver.pDependentFiles = dependentFiles.data();
    driver.pMonitorName = monitorName.data();
    driver.pDefaultDataType = dataType.data();
    driver.pszzPreviousNames = nullptr;
    driver.ftDriverDate = FILETIME{};
    driver.dwlDriverVersion = 0;
    driver.pszMfgName = maker.data();
    driver.pszOEMUrl = nullptr;
    driver.pszHardwareID = nullptr;
    driver.pszProvider = nullptr;
    const bool driverAdded =
        spooler.AddPrinterDriverW(nullptr, 6, reinterpret_cast<LPBYTE>(&driver)) != FALSE;
    WriteInstallStep(L"AddPrinterDriver " + printerName, driverAdded ? 0 : ::GetLastError());
    if (!driverAdded) {
        ReportFailure(L"4");
        return false;
    }

    std::vector<wchar_t> port = Writable(portName);
    std::vector<wchar_t> processor = Writable(L"winprint");
    PRINTER_INFO_2W printer{};
    printer.pPrinterName = name.data();
    printer.pPortName = port.data();
    printer.pDriverName = name.data();
    printer.pPrintProcessor = processor.data();
    printer.pDatatype = dataType.data();
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

} // namespace engine
