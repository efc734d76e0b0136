// Device information sets of the setup library: an owner, the interface classes the discovery
// searches, and the reads it makes of interfaces and devices.
#pragma once

#include "win/handle.h"

#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>

#include <string>

namespace discovery {

// GUID_DEVINTERFACE_USBPRINT {28d78fad-5a12-11d1-ae5b-0000f803a8c2}
inline constexpr GUID kUsbPrintInterface{
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
// GUID_DEVINTERFACE_PARALLEL {97f76ef0-f883-11d0-af1f-0000f800845c}
inline constexpr GUID kParallelInterface{
    0x97f76ef0, 0xf883, 0x11d0, {0xaf, 0x1f, 0x00, 0x00, 0xf8, 0x00, 0x84, 0x5c}};

struct DeviceInfoSetTraits {
    static HDEVINFO Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HDEVINFO h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HDEVINFO h) { ::SetupDiDestroyDeviceInfoList(h); }
};
using DeviceInfoSet = win::UniqueHandle<HDEVINFO, DeviceInfoSetTraits>;

// The set of a class's devices (or, with DIGCF_DEVICEINTERFACE, of its interfaces).
DeviceInfoSet GetClassDevices(const GUID& classGuid, DWORD flags);

enum class DetailRead {
    Read,   // the path (and the device, when asked for) was read
    NoSize, // the size query gave no usable size
    Failed, // the read itself failed
};

// The device path of one interface of the set, with the size query and the second call; the
// interface's device goes to `device` when it is given (its cbSize is set here).
DetailRead ReadInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData,
                               std::wstring& devicePath, SP_DEVINFO_DATA* device = nullptr);

// A device's friendly name read into a buffer of `bufferBytes`; false when it is missing, is not
// a string or does not fit.
bool ReadFriendlyName(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD bufferBytes, std::wstring& name);

// A device node's instance ID, read with the configuration manager.
bool ReadInstanceId(DEVINST node, std::wstring& instanceId);

} // namespace discovery
