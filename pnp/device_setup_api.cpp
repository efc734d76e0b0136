#include "pnp/device_setup_api.h"

#include "win/system_library.h"

#include <atomic>

namespace pnp {

namespace {

std::atomic<const DeviceSetupApi*> g_override{nullptr};
std::atomic<bool> g_nonInteractive{false};

constexpr DWORD kInstallFlagForce = 0x00000001;          // INSTALLFLAG_FORCE
constexpr DWORD kInstallFlagNonInteractive = 0x00000004; // INSTALLFLAG_NONINTERACTIVE

BOOL WINAPI MissingUpdateDriver(HWND, LPCWSTR, LPCWSTR, DWORD, PBOOL) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}

DeviceSetupApi LoadSystem() {
    DeviceSetupApi api{};
    HMODULE newdev = win::LoadSystemLibrary(L"newdev.dll");
    api.UpdateDriverForPlugAndPlayDevicesW =
        win::GetProc<BOOL WINAPI(HWND, LPCWSTR, LPCWSTR, DWORD, PBOOL)>(
            newdev, "UpdateDriverForPlugAndPlayDevicesW");
    if (api.UpdateDriverForPlugAndPlayDevicesW == nullptr)
        api.UpdateDriverForPlugAndPlayDevicesW = &MissingUpdateDriver;
    return api;
}

} // namespace

const DeviceSetupApi& DeviceSetup() {
    static const DeviceSetupApi system = LoadSystem();
    const DeviceSetupApi* api = g_override.load();
    return api != nullptr ? *api : system;
}

void SetDeviceSetupForTesting(const DeviceSetupApi* api) {
    g_override.store(api);
}

void SetNonInteractiveInstall(bool nonInteractive) {
    g_nonInteractive.store(nonInteractive);
}

DWORD DriverUpdateFlags() {
    return kInstallFlagForce | (g_nonInteractive.load() ? kInstallFlagNonInteractive : 0);
}

} // namespace pnp
