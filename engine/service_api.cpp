// The service control manager's entries and the limits of a wait for a service's state.
#include "engine/service_api.h"

#include <atomic>

namespace engine {

namespace {

std::atomic<const ServiceControlApi*> g_api{nullptr};
std::atomic<const ServiceWaitLimits*> g_limits{nullptr};

} // namespace

const ServiceControlApi& SystemServiceControl() {
    static const ServiceControlApi api{&::OpenSCManagerW, &::OpenServiceW,  &::QueryServiceStatus,
                                       &::ControlService, &::StartServiceW, &::CloseServiceHandle};
    return api;
}

const ServiceControlApi& ServiceControl() {
    const ServiceControlApi* api = g_api.load();
    return api != nullptr ? *api : SystemServiceControl();
}

void SetServiceControlForTesting(const ServiceControlApi* api) {
    g_api.store(api);
}

const ServiceWaitLimits& ServiceWait() {
    const ServiceWaitLimits* limits = g_limits.load();
    return limits != nullptr ? *limits : kServiceWaitLimits;
}

void SetServiceWaitForTesting(const ServiceWaitLimits* limits) {
    g_limits.store(limits);
}

} // namespace engine
