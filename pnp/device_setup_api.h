// The driver-update entry of newdev.dll, loaded from System32 when first used (newdev is not a
// KnownDLL). A test may replace it, since Wine accepts updates that Windows refuses.
#pragma once

#include <windows.h>

namespace pnp {

struct DeviceSetupApi {
    BOOL(WINAPI* UpdateDriverForPlugAndPlayDevicesW)
    (HWND owner, LPCWSTR hardwareId, LPCWSTR infPath, DWORD flags, PBOOL rebootRequired);
};

const DeviceSetupApi& DeviceSetup();
void SetDeviceSetupForTesting(const DeviceSetupApi* api); // nullptr restores the system's

// Whether no one can answer the setup library: a silent run, or one where no window can be seen.
// The driver update is then asked not to show anything (INSTALLFLAG_NONINTERACTIVE), so that a
// package Windows would ask an administrator about (an unsigned one) fails at once instead of
// waiting for an answer, and the spooler way follows. Process-wide; off at start.
void SetNonInteractiveInstall(bool nonInteractive);

// The flags the driver update is called with: INSTALLFLAG_FORCE, with INSTALLFLAG_NONINTERACTIVE
// when no one can answer.
DWORD DriverUpdateFlags();

} // namespace pnp
