// Finding the USB printer's port number among the present USB printing interfaces.
#include "discovery/usb_port.h"

#include "discovery/device_info_set.h"
#include "discovery/device_paths.h"
#include "engine/install_log.h"
#include "engine/package_locator.h"
#include "win/handle.h"

namespace discovery {

std::wstring g_strPrinterHardwareId = L"vid_d23c&pid_0001";

namespace {

// The title a message box of the program carries: the program's file name without extension.
std::wstring ProgramTitle() {
    wchar_t module[MAX_PATH] = L"";
    const DWORD length = ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring name(module, length < MAX_PATH ? length : 0);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.rfind(L'.'));
}

void ShowNoDeviceSetMessage(HWND owner) {
    ::MessageBoxW(owner, L"无法获取指定设备信息集!", ProgramTitle().c_str(), MB_OK | MB_ICONERROR);
}

// The REG_DWORD "Port Number" under the key; false when the key or a 4-byte value is missing.
bool ReadPortNumber(const std::wstring& keyName, DWORD& number) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    win::RegKey key(opened);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExW(key.Get(), L"Port Number", nullptr, &type,
                           reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return false;
    number = value;
    return true;
}

} // namespace

int GetOsClass() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    // Deprecated in the Windows SDK, but the platform and the major version it reports are all
    // the class needs.
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
    ::GetVersionExW(&version);
    return OsClassOf(version.dwPlatformId, version.dwMajorVersion, engine::IsNative64Bit());
}

DWORD FindUsbPrinterPortNumber(HWND owner, bool showBox) {
    const int osClass = GetOsClass();
    DeviceInfoSet set = GetClassDevices(kUsbPrintInterface, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (!set) {
        if (showBox)
            ShowNoDeviceSetMessage(owner);
        else
            engine::WriteInstallLog(L"无法获取指定设备信息集", true);
        return 0;
    }
    DWORD result = 0;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof(interfaceData);
        if (!::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kUsbPrintInterface, index,
                                           &interfaceData))
            return result;
        std::wstring path;
        if (ReadInterfaceDetail(set.Get(), interfaceData, path) != DetailRead::Read)
            continue;
        if (path.find(g_strPrinterHardwareId) == std::wstring::npos)
            continue;
        // A matching printer whose number cannot be read makes the whole answer unknown.
        if (!ReadPortNumber(UsbPortNumberKeyName(path, osClass), result))
            return 0;
    }
}

} // namespace discovery
