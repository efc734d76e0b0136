// The service control manager's entries and the limits of a wait for a service's state. Tests
// replace them to play services that the test machine does not have or cannot make misbehave.
#pragma once

#include <windows.h>

namespace engine {

struct ServiceControlApi {
    decltype(&::OpenSCManagerW) OpenSCManagerW;
    decltype(&::OpenServiceW) OpenServiceW;
    decltype(&::QueryServiceStatus) QueryServiceStatus;
    decltype(&::ControlService) ControlService;
    decltype(&::StartServiceW) StartServiceW;
    decltype(&::CloseServiceHandle) CloseServiceHandle;
};

// The entries in use: the system's, or a test's replacement.
const ServiceControlApi& ServiceControl();

// The system's entries.
const ServiceControlApi& SystemServiceControl();

// Replaces the entries for the calling test; nullptr restores the system's.
void SetServiceControlForTesting(const ServiceControlApi* api);

// A wait for a service's state polls its status, sleeping the wait hint the service gives (never
// longer than longestSleepMs at a time), and gives up after timeoutMs.
struct ServiceWaitLimits {
    DWORD timeoutMs;
    DWORD longestSleepMs;
};
constexpr ServiceWaitLimits kServiceWaitLimits{30000, 1000};

// The limits in use: kServiceWaitLimits, or a test's.
const ServiceWaitLimits& ServiceWait();

// Replaces the limits for the calling test; nullptr restores kServiceWaitLimits.
void SetServiceWaitForTesting(const ServiceWaitLimits* limits);

} // namespace engine
