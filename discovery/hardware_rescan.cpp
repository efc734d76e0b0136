// The hardware rescan of a parallel port and the walk of the device nodes below it.
#include "discovery/hardware_rescan.h"

#include "discovery/device_info_set.h"
#include "discovery/device_paths.h"
#include "discovery/discovery_api.h"
#include "discovery/log_texts.h"
#include "engine/install_log.h"

namespace discovery {

namespace {

constexpr int kAttempts = 3;
constexpr wchar_t kMakerName[] = L"Korvane";
// The friendly name of a parallel port is read into a buffer of this many characters.
constexpr DWORD kFriendlyNameChars = 260;
// A port has a handful of children; a longer sibling chain is a broken tree, not a longer walk.
constexpr int kMaxChildren = 1024;

// The first child of the node whose instance ID holds the maker's name. Children whose ID cannot
// be read are passed over.
bool FindMakersChild(DEVINST port, std::wstring& instanceId) {
    const DiscoveryApi& api = Discovery();
    DEVINST child = 0;
    if (api.CM_Get_Child(&child, port, 0) != CR_SUCCESS)
        return false;
    for (int walked = 0; walked < kMaxChildren; ++walked) {
        std::wstring id;
        if (ReadInstanceId(child, id) && id.find(kMakerName) != std::wstring::npos) {
            instanceId = id;
            return true;
        }
        DEVINST next = 0;
        if (api.CM_Get_Sibling(&next, child, 0) != CR_SUCCESS)
            return false;
        child = next;
    }
    return false;
}

} // namespace

BOOL RescanDeviceNode(const std::wstring& instanceId) {
    const DiscoveryApi& api = Discovery();
    std::wstring id = instanceId; // the configuration manager takes a writable string
    DEVINST node = 0;
    CONFIGRET code = api.CM_Locate_DevNodeW(&node, &id[0], CM_LOCATE_DEVNODE_NORMAL);
    if (code != CR_SUCCESS) {
        engine::WriteInstallLog(ConfigManagerFailureText(L"CM_Locate_DevNode", code), true);
        return FALSE;
    }
    code = api.CM_Reenumerate_DevNode(node, 0);
    if (code != CR_SUCCESS) {
        engine::WriteInstallLog(ConfigManagerFailureText(L"CM_Reenumerate_DevNode", code), true);
        return FALSE;
    }
    return TRUE;
}

BOOL FindPrinterOnParallelPort(const std::wstring& portName, std::wstring& instanceId) {
    DeviceInfoSet set = GetClassDevices(kParallelInterface, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (!set) {
        engine::WriteInstallLog(L"SetupDiGetClassDevs!", true);
        return FALSE;
    }
    // The caller's string changes only when the whole search succeeds.
    std::wstring found;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof(interfaceData);
        if (!::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kParallelInterface, index,
                                           &interfaceData))
            break;
        std::wstring path;
        SP_DEVINFO_DATA device{};
        const DetailRead read = ReadInterfaceDetail(set.Get(), interfaceData, path, &device);
        if (read == DetailRead::NoSize)
            continue;
        if (read == DetailRead::Failed) {
            engine::WriteInstallLog(L"SetupDiGetDeviceInterfaceDetail", true);
            return FALSE;
        }
        std::wstring friendlyName;
        if (!ReadFriendlyName(set.Get(), device, kFriendlyNameChars * sizeof(wchar_t),
                              friendlyName)) {
            engine::WriteInstallLog(L"SetupDiGetDeviceRegistryProperty", true);
            return FALSE;
        }
        if (!FriendlyNameNamesPort(friendlyName, portName))
            continue;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            std::wstring portId;
            if (ReadInstanceId(device.DevInst, portId) && !RescanDeviceNode(portId)) {
                engine::WriteInstallLog(L"ScanForHardwareChanges Failure", true);
                return FALSE;
            }
            if (FindMakersChild(device.DevInst, found))
                break;
            ::Sleep(0);
        }
    }
    if (found.empty())
        return FALSE;
    instanceId = found;
    return TRUE;
}

} // namespace discovery
