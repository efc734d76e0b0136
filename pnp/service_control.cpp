// Stopping and starting the compatibility assistant and the print spooler services.
#include "pnp/service_control.h"

#include "engine/install_log.h"
#include "pnp/service_api.h"
#include "win/handle.h"

#include <algorithm>

namespace pnp {

namespace {

// Handles opened through ServiceControl() are closed through it as well.
struct ApiServiceHandleTraits : win::ServiceHandleTraits {
    static void Close(SC_HANDLE h) { ServiceControl().CloseServiceHandle(h); }
};
using ServiceHandle = win::UniqueHandle<SC_HANDLE, ApiServiceHandleTraits>;

constexpr DWORD kPcaServiceAccess = SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP;
constexpr DWORD kSpoolerRestartPauseMs = 2000;

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

bool StartServiceByName(const wchar_t* name) {
    ServiceHandle manager;
    ServiceHandle service;
    if (!OpenNamedService(name, manager, service))
        return false;
    const ServiceControlApi& api = ServiceControl();
    SERVICE_STATUS status{};
    // Running, paused or on its way somewhere: left alone. A status that cannot be read is taken
    // for a stopped service.
    if (api.QueryServiceStatus(service.Get(), &status) && status.dwCurrentState != SERVICE_STOPPED)
        return true;
    if (!api.StartServiceW(service.Get(), 0, nullptr)) {
        engine::WriteInstallLog(L"StartService", true);
        return false;
    }
    // The start was accepted; a service slow to report it does not make it a failure.
    WaitForState(service.Get(), SERVICE_RUNNING);
    return true;
}

bool RestartSpooler() {
    if (!StopServiceByName(kSpoolerServiceName)) {
        engine::WriteInstallLog(L"关闭服务失败", false);
        return false;
    }
    ::Sleep(kSpoolerRestartPauseMs);
    if (!StartServiceByName(kSpoolerServiceName)) {
        engine::WriteInstallLog(L"开启服务失败", false);
        return false;
    }
    return true;
}

unsigned __stdcall ServiceStartupThread(void*) {
    SC_HANDLE manager = ServiceControl().OpenSCManagerW(nullptr, nullptr, GENERIC_EXECUTE);
    if (manager != nullptr)
        StopPcaService(manager);
    if (!StartServiceByName(kSpoolerServiceName))
        engine::WriteInstallLog(L"开启服务失败", false);
    return 0;
}

} // namespace pnp
