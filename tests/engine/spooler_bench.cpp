// Wine's spooler seen by the registration tests: every call recorded on its way to the spooler,
// service calls recorded on their way to the service control manager, and the spooler read back.
#include "tests/engine/spooler_bench.h"

#include "engine/package_locator.h"
#include "engine/printer_naming.h"

#include <algorithm>
#include <cwchar>

namespace installer_tests {

using engine::kLanguageMonitorName;
using engine::SpoolerApi;
using engine::SystemSpooler;

std::wstring Text(const wchar_t* text) {
    return text != nullptr ? std::wstring(text) : std::wstring(L"(null)");
}

Names NamesOf(const wchar_t* list) {
    Names names;
    for (; list != nullptr && *list != L'\0'; list += wcslen(list) + 1)
        names.push_back(list);
    return names;
}

std::wstring FileNameOf(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

// ---- The spooler seam: every call recorded, with its record, then passed to the spooler ------

SpoolerScript g_spooler;

namespace {

BOOL WINAPI RecordOpenPrinter(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
    g_spooler.calls.push_back("OpenPrinterW");
    return SystemSpooler().OpenPrinterW(name, printer, defaults);
}
BOOL WINAPI RecordClosePrinter(HANDLE printer) {
    g_spooler.calls.push_back("ClosePrinter");
    return SystemSpooler().ClosePrinter(printer);
}
BOOL WINAPI RecordAddMonitor(LPWSTR server, DWORD level, LPBYTE info) {
    g_spooler.calls.push_back("AddMonitorW");
    const auto* monitor = reinterpret_cast<const MONITOR_INFO_2W*>(info);
    g_spooler.monitors.push_back(
        {level, Text(monitor->pName), Text(monitor->pEnvironment), Text(monitor->pDLLName)});
    const DWORD refusal = g_spooler.monitors.size() == 1 ? g_spooler.refuseAddMonitor
                                                         : g_spooler.refuseSecondAddMonitor;
    if (refusal != 0) {
        ::SetLastError(refusal);
        return FALSE;
    }
    return SystemSpooler().AddMonitorW(server, level, info);
}
BOOL WINAPI RecordDeleteMonitor(LPWSTR server, LPWSTR environment, LPWSTR name) {
    g_spooler.calls.push_back("DeleteMonitorW");
    g_spooler.deletedMonitors.push_back(Text(name) + L" in " + Text(environment));
    if (g_spooler.refuseDeleteMonitor != 0) {
        ::SetLastError(g_spooler.refuseDeleteMonitor);
        return FALSE;
    }
    return SystemSpooler().DeleteMonitorW(server, environment, name);
}
BOOL WINAPI RecordAddPrinterDriver(LPWSTR server, DWORD level, LPBYTE info) {
    g_spooler.calls.push_back("AddPrinterDriverW");
    const auto* d = reinterpret_cast<const DRIVER_INFO_6W*>(info);
    DriverRecord r;
    r.level = level;
    r.version = d->cVersion;
    r.name = Text(d->pName);
    r.environment = Text(d->pEnvironment);
    r.driverPath = Text(d->pDriverPath);
    r.dataFile = Text(d->pDataFile);
    r.configFile = Text(d->pConfigFile);
    r.helpFile = Text(d->pHelpFile);
    r.dependentFiles = NamesOf(d->pDependentFiles);
    r.monitorName = Text(d->pMonitorName);
    r.defaultDataType = Text(d->pDefaultDataType);
    r.previousNames = Text(d->pszzPreviousNames);
    r.date = d->ftDriverDate;
    r.driverVersion = d->dwlDriverVersion;
    r.manufacturer = Text(d->pszMfgName);
    r.oemUrl = Text(d->pszOEMUrl);
    r.hardwareId = Text(d->pszHardwareID);
    r.provider = Text(d->pszProvider);
    g_spooler.drivers.push_back(r);
    if (g_spooler.refuseAddDriver != 0) {
        ::SetLastError(g_spooler.refuseAddDriver);
        return FALSE;
    }
    return SystemSpooler().AddPrinterDriverW(server, level, info);
}
HANDLE WINAPI RecordAddPrinter(LPWSTR server, DWORD level, LPBYTE info) {
    g_spooler.calls.push_back("AddPrinterW");
    const auto* p = reinterpret_cast<const PRINTER_INFO_2W*>(info);
    PrinterRecord r;
    r.level = level;
    r.fields = *p;
    r.serverName = Text(p->pServerName);
    r.printerName = Text(p->pPrinterName);
    r.shareName = Text(p->pShareName);
    r.portName = Text(p->pPortName);
    r.driverName = Text(p->pDriverName);
    r.comment = Text(p->pComment);
    r.location = Text(p->pLocation);
    r.separatorFile = Text(p->pSepFile);
    r.printProcessor = Text(p->pPrintProcessor);
    r.dataType = Text(p->pDatatype);
    r.parameters = Text(p->pParameters);
    g_spooler.printers.push_back(r);
    if (g_spooler.refuseEmptyPort && (p->pPortName == nullptr || *p->pPortName == L'\0')) {
        ::SetLastError(ERROR_UNKNOWN_PORT);
        return nullptr;
    }
    return SystemSpooler().AddPrinterW(server, level, info);
}

BOOL WINAPI RecordEnumPrinters(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed, LPDWORD returned) {
    g_spooler.calls.push_back("EnumPrintersW");
    return SystemSpooler().EnumPrintersW(flags, name, level, buffer, size, needed, returned);
}
BOOL WINAPI RecordDeletePrinter(HANDLE printer) {
    g_spooler.calls.push_back("DeletePrinter");
    std::vector<BYTE> info(4096);
    DWORD needed = 0;
    const bool named =
        ::GetPrinterW(printer, 4, info.data(), static_cast<DWORD>(info.size()), &needed) != FALSE;
    g_spooler.deletedPrinters.push_back(
        named ? Text(reinterpret_cast<PRINTER_INFO_4W*>(info.data())->pPrinterName) : L"?");
    if (g_spooler.refuseDeletePrinter != 0) {
        ::SetLastError(g_spooler.refuseDeletePrinter);
        return FALSE;
    }
    if (g_spooler.keepDeletedPrinter)
        return TRUE;
    return SystemSpooler().DeletePrinter(printer);
}
BOOL WINAPI RecordEnumPrinterDrivers(LPWSTR server, LPWSTR environment, DWORD level, LPBYTE buffer,
                                     DWORD size, LPDWORD needed, LPDWORD returned) {
    g_spooler.calls.push_back("EnumPrinterDriversW");
    return SystemSpooler().EnumPrinterDriversW(server, environment, level, buffer, size, needed,
                                               returned);
}
BOOL WINAPI RecordDeletePrinterDriverEx(LPWSTR server, LPWSTR environment, LPWSTR name, DWORD flags,
                                        DWORD versions) {
    g_spooler.calls.push_back("DeletePrinterDriverExW");
    g_spooler.deletedDrivers.push_back(Text(name) + L" in " + Text(environment) + L" flags " +
                                       std::to_wstring(flags));
    if (g_spooler.refuseDeleteDriver != 0) {
        ::SetLastError(g_spooler.refuseDeleteDriver);
        return FALSE;
    }
    return SystemSpooler().DeletePrinterDriverExW(server, environment, name, flags, versions);
}

BOOL WINAPI RecordSetPrinter(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
    g_spooler.calls.push_back(level == 0 && command == PRINTER_CONTROL_PURGE ? "SetPrinterW purge"
                                                                             : "SetPrinterW");
    return SystemSpooler().SetPrinterW(printer, level, info, command);
}

} // namespace

SpoolerApi RecordingSpooler() {
    SpoolerApi api = SystemSpooler();
    api.OpenPrinterW = &RecordOpenPrinter;
    api.ClosePrinter = &RecordClosePrinter;
    api.AddMonitorW = &RecordAddMonitor;
    api.DeleteMonitorW = &RecordDeleteMonitor;
    api.AddPrinterDriverW = &RecordAddPrinterDriver;
    api.AddPrinterW = &RecordAddPrinter;
    api.EnumPrintersW = &RecordEnumPrinters;
    api.DeletePrinter = &RecordDeletePrinter;
    api.EnumPrinterDriversW = &RecordEnumPrinterDrivers;
    api.DeletePrinterDriverExW = &RecordDeletePrinterDriverEx;
    api.SetPrinterW = &RecordSetPrinter;
    return api;
}

// ---- The service seam: calls recorded and passed to the service control manager --------------

DWORD g_refuseManager = 0;
std::vector<std::wstring> g_serviceCalls;
DWORD g_stuckAfterStop = 0;
DWORD g_stuckAfterStart = 0;

namespace {

SC_HANDLE WINAPI RecordOpenManager(LPCWSTR machine, LPCWSTR database, DWORD access) {
    g_serviceCalls.push_back(L"OpenSCManagerW");
    if (g_refuseManager != 0) {
        ::SetLastError(g_refuseManager);
        return nullptr;
    }
    return ::OpenSCManagerW(machine, database, access);
}
SC_HANDLE WINAPI RecordOpenService(SC_HANDLE manager, LPCWSTR name, DWORD access) {
    g_serviceCalls.push_back(L"OpenServiceW " + Text(name));
    return ::OpenServiceW(manager, name, access);
}
BOOL WINAPI RecordControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
    g_serviceCalls.push_back(L"ControlService " + std::to_wstring(control));
    return ::ControlService(service, control, status);
}
BOOL WINAPI RecordStartService(SC_HANDLE service, DWORD count, LPCWSTR* arguments) {
    g_serviceCalls.push_back(L"StartServiceW");
    return ::StartServiceW(service, count, arguments);
}
bool Asked(const wchar_t* call) {
    return std::find(g_serviceCalls.begin(), g_serviceCalls.end(), call) != g_serviceCalls.end();
}
BOOL WINAPI QueryStuckService(SC_HANDLE service, LPSERVICE_STATUS status) {
    if (!::QueryServiceStatus(service, status))
        return FALSE;
    if (g_stuckAfterStart != 0 && Asked(L"StartServiceW"))
        status->dwCurrentState = g_stuckAfterStart;
    else if (g_stuckAfterStop != 0 && Asked(L"ControlService 1"))
        status->dwCurrentState = g_stuckAfterStop;
    return TRUE;
}

} // namespace

engine::ServiceControlApi RecordingServices() {
    engine::ServiceControlApi api = engine::SystemServiceControl();
    api.OpenSCManagerW = &RecordOpenManager;
    api.OpenServiceW = &RecordOpenService;
    api.ControlService = &RecordControlService;
    api.StartServiceW = &RecordStartService;
    api.QueryServiceStatus = &QueryStuckService;
    return api;
}

// ---- Reading the spooler back ---------------------------------------------------------------

namespace {

bool IsOurs(const std::wstring& name) {
    return name.rfind(L"Korvane ", 0) == 0;
}

} // namespace

// Removes the printers, drivers and monitor of the maker.
void RemoveMakersSpoolerObjects() {
    for (const std::wstring& name : PrinterNames()) {
        if (!IsOurs(name))
            continue;
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE printer = nullptr;
        std::wstring writable = name;
        if (::OpenPrinterW(&writable[0], &printer, &defaults)) {
            ::DeletePrinter(printer);
            ::ClosePrinter(printer);
        }
    }
    for (const std::wstring& name : DriverNames()) {
        std::wstring writable = name;
        if (IsOurs(name))
            ::DeletePrinterDriverW(nullptr, nullptr, &writable[0]);
    }
    std::wstring monitor = kLanguageMonitorName;
    ::DeleteMonitorW(nullptr, nullptr, &monitor[0]);
    // The monitor's copy in System32, where registration puts it.
    ::DeleteFileW((engine::GetNativeSystemFolder() + L"\\" + engine::kLanguageMonitorFile).c_str());
}

ReadBack ReadPrinter(const std::wstring& name) {
    ReadBack back;
    std::wstring writable = name;
    HANDLE printer = nullptr;
    if (!::OpenPrinterW(&writable[0], &printer, nullptr))
        return back;
    const std::vector<BYTE> driver =
        testing_support::SpoolerBytes([&](BYTE* data, DWORD size, DWORD* needed, DWORD*) {
            return ::GetPrinterDriverW(printer, nullptr, 3, data, size, needed);
        });
    const std::vector<BYTE> queue =
        testing_support::SpoolerBytes([&](BYTE* data, DWORD size, DWORD* needed, DWORD*) {
            return ::GetPrinterW(printer, 2, data, size, needed);
        });
    ::ClosePrinter(printer);
    if (driver.empty() || queue.empty())
        return back;
    back.found = true;
    const auto* d = reinterpret_cast<const DRIVER_INFO_3W*>(driver.data());
    back.version = d->cVersion;
    back.driverPath = Text(d->pDriverPath);
    back.dataFile = Text(d->pDataFile);
    back.configFile = Text(d->pConfigFile);
    back.helpFile = Text(d->pHelpFile);
    back.monitorName = Text(d->pMonitorName);
    back.defaultDataType = Text(d->pDefaultDataType);
    for (const std::wstring& path : NamesOf(d->pDependentFiles))
        back.dependentFiles.push_back(FileNameOf(path));
    const auto* p = reinterpret_cast<const PRINTER_INFO_2W*>(queue.data());
    back.printerName = Text(p->pPrinterName);
    back.portName = Text(p->pPortName);
    back.driverName = Text(p->pDriverName);
    back.printProcessor = Text(p->pPrintProcessor);
    back.dataType = Text(p->pDatatype);
    back.attributes = p->Attributes;
    return back;
}

bool SameFileName(const std::wstring& a, const std::wstring& b) {
    return ::lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

} // namespace installer_tests
