// Reads of interfaces, devices and device nodes for the device discovery.
#include "discovery/device_info_set.h"

#include "discovery/discovery_api.h"

#include <cstddef>
#include <cwchar>
#include <vector>

namespace discovery {

namespace {

// Far longer than any instance ID the configuration manager gives (MAX_DEVICE_ID_LEN is 200); a
// larger size is not believed.
constexpr ULONG kMaxInstanceIdChars = 32767;

} // namespace

DeviceInfoSet GetClassDevices(const GUID& classGuid, DWORD flags) {
    return DeviceInfoSet(Discovery().SetupDiGetClassDevsW(&classGuid, nullptr, nullptr, flags));
}

DetailRead ReadInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData,
                               std::wstring& devicePath, SP_DEVINFO_DATA* device) {
    constexpr DWORD kHeaderBytes = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    constexpr std::size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    DWORD required = 0;
    if (::SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &required, nullptr) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || required < kHeaderBytes)
        return DetailRead::NoSize;

    // DWORD storage keeps the structure aligned; the extra zero word ends the path for certain.
    std::vector<DWORD> storage(required / sizeof(DWORD) + 2, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = kHeaderBytes;
    if (device != nullptr) {
        *device = SP_DEVINFO_DATA{};
        device->cbSize = sizeof(SP_DEVINFO_DATA);
    }
    if (!::SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, required, nullptr, device))
        return DetailRead::Failed;
    const std::size_t maxChars = (required - kPathOffset) / sizeof(wchar_t);
    devicePath.assign(detail->DevicePath, ::wcsnlen(detail->DevicePath, maxChars));
    return DetailRead::Read;
}

bool ReadFriendlyName(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD bufferBytes,
                      std::wstring& name) {
    const std::size_t chars = bufferBytes / sizeof(wchar_t);
    std::vector<wchar_t> buffer(chars + 1, L'\0');
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(
            set, &device, SPDRP_FRIENDLYNAME, &type, reinterpret_cast<BYTE*>(buffer.data()),
            static_cast<DWORD>(chars * sizeof(wchar_t)), nullptr) ||
        type != REG_SZ)
        return false;
    name.assign(buffer.data(), ::wcsnlen(buffer.data(), chars));
    return true;
}

bool ReadInstanceId(DEVINST node, std::wstring& instanceId) {
    const DiscoveryApi& api = Discovery();
    ULONG size = 0;
    if (api.CM_Get_Device_ID_Size(&size, node, 0) != CR_SUCCESS || size > kMaxInstanceIdChars)
        return false;
    std::vector<wchar_t> buffer(size + 1, L'\0');
    if (api.CM_Get_Device_IDW(node, buffer.data(), size + 1, 0) != CR_SUCCESS)
        return false;
    instanceId.assign(buffer.data(), ::wcsnlen(buffer.data(), size + 1));
    return true;
}

} // namespace discovery
