// Stopping and starting the compatibility assistant and the print spooler services.
#include "engine/service_control.h"

#include "engine/install_log.h"
#include "engine/service_api.h"
#include "win/handle.h"

#include <algorithm>

namespace engine {

namespace {

// Handles opened through ServiceControl() are closed through it as well.
struct ApiServiceHandleTraits : win::ServiceHandleTraits {
    static void Close(SC_HANDLE h) { ServiceControl().CloseServiceHandle(h); }
};
using ServiceHandle = win::UniqueHandle<SC_HANDLE, ApiServiceHandleTraits>;

constexpr DWORD kPcaServiceAccess = SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP;
// Beyond its two service waits, the start-up thread only opens handles.
constexpr DWORD kStartupThreadMarginMs = 5000;

enum class WaitResult { Reached, QueryFailed, TimedOut };

// Polls the service's status, sleeping the wait hint of each status, until it reports `wanted`.
// A failed query ends the wait, and so does the time-out.
WaitResult WaitForState(SC_HANDLE service, DWORD wanted) {
    const ServiceWaitLimits& limits = ServiceWait();
    const ULONGLONG deadline = ::GetTickCount64() + limits.timeoutMs;
    SERVICE_STATUS status{};
    while (ServiceControl().QueryServiceStatus(service, &status)) {
        const ULONGLONG now = ::GetTickCount64();
        const ULONGLONG left = now < deadline ? deadline - now : 0;
        const ULONGLONG sleep = std::min<ULONGLONG>(
            {static_cast<ULONGLONG>(status.dwWaitHint), limits.longestSleepMs, left});
        ::Sleep(static_cast<DWORD>(sleep));
        if (status.dwCurrentState == wanted)
            return WaitResult::Reached;
        if (::GetTickCount64() >= deadline)
            return WaitResult::TimedOut;
    }
    return WaitResult::QueryFailed;
}

// Opens the manager with all access and the named service; logs the refused call.
bool OpenNamedService(const wchar_t* name, ServiceHandle& manager, ServiceHandle& service) {
    const ServiceControlApi& api = ServiceControl();
    manager.Attach(api.OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        engine::WriteInstallLog(L"OpenSCManager", true);
        return false;
    }
    service.Attach(api.OpenServiceW(manager.Get(), name, SERVICE_ALL_ACCESS));
    if (!service) {
        engine::WriteInstallLog(L"OpenService", true);
        return false;
    }
    return true;
}

} // namespace

bool StopPcaService(SC_HANDLE manager) {
    const ServiceControlApi& api = ServiceControl();
    const ServiceHandle managerOwner(manager);
    const ServiceHandle service(api.OpenServiceW(manager, kPcaServiceName, kPcaServiceAccess));
    SERVICE_STATUS status{};
    if (!service || !api.QueryServiceStatus(service.Get(), &status) ||
        status.dwCurrentState != SERVICE_RUNNING)
        return false;
    if (!api.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status))
        return false;
    if (WaitForState(service.Get(), SERVICE_STOPPED) != WaitResult::Reached)
        return false;
    ::OutputDebugStringW(L"stop success。");
    return true;
}

bool StartPcaService(SC_HANDLE manager) {
    const ServiceControlApi& api = ServiceControl();
    const ServiceHandle managerOwner(manager);
    const ServiceHandle service(api.OpenServiceW(manager, kPcaServiceName, kPcaServiceAccess));
    SERVICE_STATUS status{};
    if (!service || !api.QueryServiceStatus(service.Get(), &status) ||
        status.dwCurrentState != SERVICE_STOPPED)
        return false;
    if (!api.StartServiceW(service.Get(), 0, nullptr))
        return false;
    if (WaitForState(service.Get(), SERVICE_RUNNING) != WaitResult::Reached)
        return false;
    ::OutputDebugStringW(L"start success。");
    return true;
}

bool StopServiceByName(const wchar_t* name) {
    ServiceHandle manager;
    ServiceHandle service;
    if (!OpenNamedService(name, manager, service))
        return false;
    const ServiceControlApi& api = ServiceControl();
    SERVICE_STATUS status{};
    // A status that cannot be read is taken for a service that may run.
    if (api.QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_STOPPED)
        return true;
    if (!api.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
        engine::WriteInstallLog(L"ControlService", true);
        return false;
    }
    return true;
}

namespace {

enum class StartResult { Refused, Started, Untouched };

// Starts the service when it is stopped and waits (bounded) for it to run; `wait` tells how the
// wait ended. A service that is not stopped (running, paused or on its way somewhere) is left
// alone. A status that cannot be read is taken for a stopped service.
StartResult StartAndWait(const wchar_t* name, WaitResult& wait) {
    wait = WaitResult::QueryFailed;
    ServiceHandle manager;
    ServiceHandle service;
    if (!OpenNamedService(name, manager, service))
        return StartResult::Refused;
    const ServiceControlApi& api = ServiceControl();
    SERVICE_STATUS status{};
    if (api.QueryServiceStatus(service.Get(), &status) && status.dwCurrentState != SERVICE_STOPPED)
        return StartResult::Untouched;
    if (!api.StartServiceW(service.Get(), 0, nullptr)) {
        // Started by another thread or process since the query.
        if (::GetLastError() == ERROR_SERVICE_ALREADY_RUNNING)
            return StartResult::Untouched;
        engine::WriteInstallLog(L"StartService", true);
        return StartResult::Refused;
    }
    wait = WaitForState(service.Get(), SERVICE_RUNNING);
    return StartResult::Started;
}

// Waits (bounded) until the named service is in `wanted`. Nothing is logged: the caller says
// what the service failed to do.
bool WaitUntil(const wchar_t* name, DWORD wanted) {
    const ServiceControlApi& api = ServiceControl();
    const ServiceHandle manager(api.OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    const ServiceHandle service(api.OpenServiceW(manager.Get(), name, SERVICE_QUERY_STATUS));
    return service && WaitForState(service.Get(), wanted) == WaitResult::Reached;
}

// Starts the spooler when it is stopped and waits until it runs. Started by someone else in the
// meantime (the start-up thread, or Windows itself): it counts once it runs.
bool StartSpoolerAndWait() {
    WaitResult wait = WaitResult::QueryFailed;
    const StartResult start = StartAndWait(kSpoolerServiceName, wait);
    return start == StartResult::Started
               ? wait == WaitResult::Reached
               : start == StartResult::Untouched && WaitUntil(kSpoolerServiceName, SERVICE_RUNNING);
}

} // namespace

bool StartServiceByName(const wchar_t* name) {
    WaitResult wait = WaitResult::QueryFailed;
    // A started service slow to report running does not make it a failure here.
    return StartAndWait(name, wait) != StartResult::Refused;
}

bool RestartSpooler() {
    // The spooler must really have stopped (it holds the language monitor loaded until then), and
    // must really run again afterwards: each wait is bounded, and a time-out is a failure.
    if (!StopServiceByName(kSpoolerServiceName) ||
        !WaitUntil(kSpoolerServiceName, SERVICE_STOPPED)) {
        engine::WriteInstallLog(L"关闭服务失败", false);
        return false;
    }
    if (!StartSpoolerAndWait()) {
        engine::WriteInstallLog(L"开启服务失败", false);
        return false;
    }
    return true;
}

bool MakeSpoolerRun() {
    return StartSpoolerAndWait();
}

void RestorePcaService(HANDLE startupThread) {
    if (startupThread != nullptr && startupThread != INVALID_HANDLE_VALUE)
        ::WaitForSingleObject(startupThread, StartupThreadWaitMs());
    if (SC_HANDLE manager = ServiceControl().OpenSCManagerW(nullptr, nullptr, GENERIC_EXECUTE))
        StartPcaService(manager);
}

DWORD StartupThreadWaitMs() {
    // The thread waits twice at most: for "PcaSvc" to stop and for "Spooler" to run.
    return 2 * ServiceWait().timeoutMs + kStartupThreadMarginMs;
}

unsigned __stdcall ServiceStartupThread(void*) {
    SC_HANDLE manager = ServiceControl().OpenSCManagerW(nullptr, nullptr, GENERIC_EXECUTE);
    if (manager != nullptr)
        StopPcaService(manager);
    if (!StartServiceByName(kSpoolerServiceName))
        engine::WriteInstallLog(L"开启服务失败", false);
    return 0;
}

} // namespace engine
