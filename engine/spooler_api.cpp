#include "engine/spooler_api.h"

#include "win/system_library.h"

#include <atomic>
#include <type_traits>

namespace engine {

namespace {

std::atomic<const SpoolerApi*> g_override{nullptr};

// Stand-ins for entries that could not be resolved, so that callers see an ordinary failure.
BOOL WINAPI MissingGetDriverDirectory(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingOpenPrinter(LPWSTR, LPHANDLE handle, LPPRINTER_DEFAULTSW) {
    if (handle != nullptr)
        *handle = nullptr;
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingClosePrinter(HANDLE) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingAddMonitor(LPWSTR, DWORD, LPBYTE) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingDeleteMonitor(LPWSTR, LPWSTR, LPWSTR) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingAddPrinterDriver(LPWSTR, DWORD, LPBYTE) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
HANDLE WINAPI MissingAddPrinter(LPWSTR, DWORD, LPBYTE) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}
BOOL WINAPI MissingEnumPorts(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed, LPDWORD returned) {
    if (needed != nullptr)
        *needed = 0;
    if (returned != nullptr)
        *returned = 0;
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingEnumMonitors(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed, LPDWORD returned) {
    if (needed != nullptr)
        *needed = 0;
    if (returned != nullptr)
        *returned = 0;
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingEnumPrinters(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed,
                                LPDWORD returned) {
    if (needed != nullptr)
        *needed = 0;
    if (returned != nullptr)
        *returned = 0;
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingDeletePrinter(HANDLE) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingEnumPrinterDrivers(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed,
                                      LPDWORD returned) {
    if (needed != nullptr)
        *needed = 0;
    if (returned != nullptr)
        *returned = 0;
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingDeletePrinterDriverEx(LPWSTR, LPWSTR, LPWSTR, DWORD, DWORD) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingOrdinal204(LPCWSTR) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}

DWORD WINAPI MissingStartDocPrinter(HANDLE, DWORD, LPBYTE) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return 0;
}
BOOL WINAPI MissingPrinterStep(HANDLE) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingAddPrinterDriverEx(LPWSTR, DWORD, LPBYTE, DWORD) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI MissingWritePrinter(HANDLE, LPVOID, DWORD, LPDWORD written) {
    if (written != nullptr)
        *written = 0;
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}

BOOL WINAPI MissingSetPrinter(HANDLE, DWORD, LPBYTE, DWORD) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}

template <typename F> void Resolve(F& entry, HMODULE module, const char* name, F missing) {
    auto* found = win::GetProc<typename std::remove_pointer<F>::type>(module, name);
    entry = found != nullptr ? found : missing;
}

SpoolerApi LoadSystemSpooler() {
    HMODULE module = win::LoadSystemLibrary(L"winspool.drv");
    SpoolerApi api{};
    Resolve(api.GetPrinterDriverDirectoryW, module, "GetPrinterDriverDirectoryW",
            &MissingGetDriverDirectory);
    Resolve(api.OpenPrinterW, module, "OpenPrinterW", &MissingOpenPrinter);
    Resolve(api.ClosePrinter, module, "ClosePrinter", &MissingClosePrinter);
    Resolve(api.AddMonitorW, module, "AddMonitorW", &MissingAddMonitor);
    Resolve(api.DeleteMonitorW, module, "DeleteMonitorW", &MissingDeleteMonitor);
    Resolve(api.AddPrinterDriverW, module, "AddPrinterDriverW", &MissingAddPrinterDriver);
    Resolve(api.AddPrinterDriverExW, module, "AddPrinterDriverExW", &MissingAddPrinterDriverEx);
    Resolve(api.AddPrinterW, module, "AddPrinterW", &MissingAddPrinter);
    Resolve(api.EnumPortsW, module, "EnumPortsW", &MissingEnumPorts);
    Resolve(api.EnumMonitorsW, module, "EnumMonitorsW", &MissingEnumMonitors);
    Resolve(api.EnumPrintersW, module, "EnumPrintersW", &MissingEnumPrinters);
    Resolve(api.DeletePrinter, module, "DeletePrinter", &MissingDeletePrinter);
    Resolve(api.EnumPrinterDriversW, module, "EnumPrinterDriversW", &MissingEnumPrinterDrivers);
    Resolve(api.DeletePrinterDriverExW, module, "DeletePrinterDriverExW",
            &MissingDeletePrinterDriverEx);
    Resolve(api.Ordinal204, module, MAKEINTRESOURCEA(204), &MissingOrdinal204);
    Resolve(api.StartDocPrinterW, module, "StartDocPrinterW", &MissingStartDocPrinter);
    Resolve(api.StartPagePrinter, module, "StartPagePrinter", &MissingPrinterStep);
    Resolve(api.WritePrinter, module, "WritePrinter", &MissingWritePrinter);
    Resolve(api.EndPagePrinter, module, "EndPagePrinter", &MissingPrinterStep);
    Resolve(api.EndDocPrinter, module, "EndDocPrinter", &MissingPrinterStep);
    Resolve(api.SetPrinterW, module, "SetPrinterW", &MissingSetPrinter);
    return api;
}

} // namespace

const SpoolerApi& SystemSpooler() {
    static const SpoolerApi api = LoadSystemSpooler();
    return api;
}

const SpoolerApi& Spooler() {
    const SpoolerApi* api = g_override.load();
    return api != nullptr ? *api : SystemSpooler();
}

void SetSpoolerForTesting(const SpoolerApi* api) {
    g_override.store(api);
}

} // namespace engine
