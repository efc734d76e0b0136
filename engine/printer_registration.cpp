// Registration of the language monitor, the printer driver and the printer queue.
#include "engine/printer_registration.h"

#include "controls/dlg_mes_error.h"
#include "engine/dependent_files.h"
#include "engine/package_locator.h"
#include "engine/printer_naming.h"
#include "engine/spooler_api.h"
#include "pnp/service_control.h"

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

} // namespace

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
    // The running spooler holds the installed monitor loaded; it is restarted before the monitor
    // is deleted and added again from the driver directory.
    if (!pnp::RestartSpooler())
        return false;
    ::Sleep(kReinstallPauseMs);
    const SpoolerApi& spooler = Spooler();
    if (!spooler.DeleteMonitorW(nullptr, monitorInfo.pEnvironment, monitorInfo.pName))
        return false;
    return spooler.AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitorInfo)) != FALSE;
}

bool RegisterDriverAndPrinter(const std::wstring& printerName, const std::wstring& portName,
                              const std::wstring& dataFileName) {
    std::wstring directory;
    if (!GetDriverDirectory(directory)) {
        // The driver's files cannot be found without it, as when they could not be staged.
        ShowErrorDialog(L"2");
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
    if (!spooler.AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor))) {
        const DWORD error = ::GetLastError();
        if (!ReinstallLanguageMonitor(monitor, error)) {
            ShowErrorDialog(L"5");
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
    if (!spooler.AddPrinterDriverW(nullptr, 6, reinterpret_cast<LPBYTE>(&driver))) {
        ShowErrorDialog(L"4");
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
    if (added == nullptr) {
        ShowErrorDialog(L"6");
        return false;
    }
    spooler.ClosePrinter(added);
    return true;
}

} // namespace engine
