// Parallel port discovery: the port's device name and the printer's device ID.
#include "discovery/parallel_port.h"

#include "discovery/device_id.h"
#include "discovery/device_info_set.h"
#include "discovery/device_paths.h"
#include "discovery/device_request.h"
#include "discovery/discovery_api.h"
#include "discovery/hardware_rescan.h"
#include "engine/install_log.h"
#include "win/text.h"

#include <winioctl.h>

#include <vector>

namespace discovery {

namespace {

// IOCTL_PAR_QUERY_DEVICE_ID of ntddpar.h.
constexpr DWORD kQueryDeviceId =
    CTL_CODE(FILE_DEVICE_PARALLEL_PORT, 3, METHOD_BUFFERED, FILE_ANY_ACCESS);
// A port's friendly name is read into a buffer of this many bytes.
constexpr DWORD kFriendlyNameBytes = 260;

// The first GUID of the setup class "Ports".
bool GetPortsClassGuid(GUID& guid) {
    DWORD count = 0;
    if (::SetupDiClassGuidsFromNameW(L"Ports", &guid, 1, &count))
        return count >= 1;
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || count < 1)
        return false;
    std::vector<GUID> guids(count);
    if (!::SetupDiClassGuidsFromNameW(L"Ports", guids.data(), count, &count) || count < 1)
        return false;
    guid = guids[0];
    return true;
}

} // namespace

std::wstring FindParallelPortName(const std::wstring& filter) {
    GUID portsClass{};
    if (!GetPortsClassGuid(portsClass)) {
        engine::WriteInstallLog(L"获取端口GUID失败！", false);
        return std::wstring();
    }
    DeviceInfoSet set = GetClassDevices(portsClass, DIGCF_PRESENT);
    if (!set) {
        engine::WriteInstallLog(L"无法获取指定设备信息集!", false);
        return std::wstring();
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (!::SetupDiEnumDeviceInfo(set.Get(), index, &device))
            return std::wstring();
        std::wstring friendlyName;
        if (!ReadFriendlyName(set.Get(), device, kFriendlyNameBytes, friendlyName) ||
            friendlyName.find(filter) == std::wstring::npos)
            continue;
        const std::wstring portName = PortNameOfFriendlyName(friendlyName);
        std::wstring printerId;
        FindPrinterOnParallelPort(portName, printerId);
        return printerId.empty() ? portName : DeviceNameOfInstanceId(printerId, portName);
    }
}

win::FileHandle OpenParallelPrinterDevice(const std::wstring& filter) {
    const std::wstring name = FindParallelPortName(filter);
    if (name.empty())
        return win::FileHandle();
    return win::FileHandle(Discovery().CreateFileW(DeviceFileName(name).c_str(),
                                                   GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
}

int QueryParallelDeviceId(HANDLE port, wchar_t* model, std::size_t modelChars) {
    if (port == INVALID_HANDLE_VALUE || port == nullptr || model == nullptr || modelChars == 0)
        return -1;
    unsigned char answer[kDeviceIdBufferBytes] = {};
    DWORD received = 0;
    if (!RequestDeviceId(port, kQueryDeviceId, answer, sizeof(answer), received))
        return -1;
    const std::string bytes = ParallelDeviceIdBytes(answer, sizeof(answer), received);
    const std::wstring id = win::FromAnsi(bytes.data(), bytes.size());
    if (GetDeviceIdField(id, L"MFG:").empty())
        return -1;
    CopyToBuffer(GetDeviceIdField(id, L"MDL:"), model, modelChars);
    return 0;
}

} // namespace discovery
