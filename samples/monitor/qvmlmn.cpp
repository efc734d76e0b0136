// QVMLMN.dll: the Korvane language monitor. It sits between the spooler and the port monitor of
// the printer's port and passes every job and every status request through unchanged.
#include <windows.h>
#include <winsplp.h>

namespace {

// The monitor's state from start-up to shutdown: what the spooler told it about itself.
struct Monitor {
    HANDLE spooler;
    BOOL local;
};

// One port opened through the monitor: the entries of the port monitor below and its handle.
struct Port {
    MONITOR2 portMonitor;
    HANDLE portHandle;
};

template <typename T> T* Allocate() {
    return static_cast<T*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(T)));
}

void Free(void* block) {
    ::HeapFree(::GetProcessHeap(), 0, block);
}

BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

Port* PortOf(HANDLE handle) {
    return static_cast<Port*>(handle);
}

BOOL WINAPI OpenPortEx(HANDLE, HANDLE portMonitorHandle, LPWSTR portName, LPWSTR, PHANDLE handle,
                       MONITOR2* portMonitor) {
    if (handle == nullptr || portMonitor == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    Port* port = Allocate<Port>();
    if (port == nullptr)
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    // A port monitor built for an older spooler has a shorter table; the missing entries stay
    // NULL.
    const DWORD size =
        portMonitor->cbSize < sizeof(MONITOR2) ? portMonitor->cbSize : sizeof(MONITOR2);
    ::CopyMemory(&port->portMonitor, portMonitor, size);
    if (port->portMonitor.pfnOpenPort == nullptr ||
        !port->portMonitor.pfnOpenPort(portMonitorHandle, portName, &port->portHandle)) {
        const DWORD error = port->portMonitor.pfnOpenPort ? ::GetLastError() : ERROR_NOT_SUPPORTED;
        Free(port);
        return Fail(error);
    }
    *handle = port;
    return TRUE;
}

BOOL WINAPI StartDocPort(HANDLE handle, LPWSTR printerName, DWORD jobId, DWORD level,
                         LPBYTE docInfo) {
    Port* port = PortOf(handle);
    if (port->portMonitor.pfnStartDocPort == nullptr)
        return Fail(ERROR_NOT_SUPPORTED);
    return port->portMonitor.pfnStartDocPort(port->portHandle, printerName, jobId, level, docInfo);
}

BOOL WINAPI WritePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written) {
    Port* port = PortOf(handle);
    if (port->portMonitor.pfnWritePort == nullptr)
        return Fail(ERROR_NOT_SUPPORTED);
    return port->portMonitor.pfnWritePort(port->portHandle, buffer, size, written);
}

BOOL WINAPI ReadPort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD read) {
    Port* port = PortOf(handle);
    if (port->portMonitor.pfnReadPort == nullptr)
        return Fail(ERROR_NOT_SUPPORTED);
    return port->portMonitor.pfnReadPort(port->portHandle, buffer, size, read);
}

BOOL WINAPI EndDocPort(HANDLE handle) {
    Port* port = PortOf(handle);
    if (port->portMonitor.pfnEndDocPort == nullptr)
        return Fail(ERROR_NOT_SUPPORTED);
    return port->portMonitor.pfnEndDocPort(port->portHandle);
}

BOOL WINAPI ClosePort(HANDLE handle) {
    Port* port = PortOf(handle);
    const BOOL closed =
        port->portMonitor.pfnClosePort ? port->portMonitor.pfnClosePort(port->portHandle) : TRUE;
    const DWORD error = ::GetLastError();
    Free(port);
    ::SetLastError(error);
    return closed;
}

BOOL WINAPI GetPrinterDataFromPort(HANDLE handle, DWORD controlId, LPWSTR valueName,
                                   LPWSTR inBuffer, DWORD inSize, LPWSTR outBuffer, DWORD outSize,
                                   LPDWORD returned) {
    Port* port = PortOf(handle);
    if (port->portMonitor.pfnGetPrinterDataFromPort == nullptr)
        return Fail(ERROR_NOT_SUPPORTED);
    return port->portMonitor.pfnGetPrinterDataFromPort(
        port->portHandle, controlId, valueName, inBuffer, inSize, outBuffer, outSize, returned);
}

VOID WINAPI Shutdown(HANDLE monitor) {
    Free(monitor);
}

// A language monitor fills only the port entries; the spooler asks the port monitor for the
// rest (enumerating, adding and configuring ports).
MONITOR2 g_languageMonitor = [] {
    MONITOR2 entries{};
    entries.cbSize = sizeof(MONITOR2);
    entries.pfnOpenPortEx = OpenPortEx;
    entries.pfnStartDocPort = StartDocPort;
    entries.pfnWritePort = WritePort;
    entries.pfnReadPort = ReadPort;
    entries.pfnEndDocPort = EndDocPort;
    entries.pfnClosePort = ClosePort;
    entries.pfnGetPrinterDataFromPort = GetPrinterDataFromPort;
    entries.pfnShutdown = Shutdown;
    return entries;
}();

} // namespace

extern "C" __declspec(dllexport) LPMONITOR2 WINAPI
    InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitorHandle) {
    if (init == nullptr || monitorHandle == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Monitor* monitor = Allocate<Monitor>();
    if (monitor == nullptr) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    monitor->spooler = init->hSpooler;
    monitor->local = init->bLocal;
    *monitorHandle = monitor;
    return &g_languageMonitor;
}
