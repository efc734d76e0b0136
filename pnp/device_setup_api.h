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

} // namespace pnp
