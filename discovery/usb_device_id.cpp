// The USB printer's device ID, requested over its USB printing interface.
#include "discovery/usb_device_id.h"

#include "discovery/device_id.h"
#include "discovery/device_info_set.h"
#include "discovery/device_request.h"
#include "discovery/discovery_api.h"
#include "win/text.h"

#include <winioctl.h>

namespace discovery {

namespace {

// IOCTL_USBPRINT_GET_1284_ID of usbprint.h.
constexpr DWORD kGet1284Id = CTL_CODE(FILE_DEVICE_UNKNOWN, 13, METHOD_BUFFERED, FILE_ANY_ACCESS);

} // namespace

win::FileHandle OpenUsbPrinterDevice() {
    DeviceInfoSet set = GetClassDevices(kUsbPrintInterface, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (!set)
        return win::FileHandle();
    std::wstring lastPath;
    int count = 0;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof(interfaceData);
        if (!::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kUsbPrintInterface, index,
                                           &interfaceData))
            break;
        std::wstring path;
        if (ReadInterfaceDetail(set.Get(), interfaceData, path) == DetailRead::Read) {
            lastPath = path;
            ++count;
        }
    }
    // Only a list read to its end names the last printer.
    if (::GetLastError() != ERROR_NO_MORE_ITEMS || count == 0)
        return win::FileHandle();
    return win::FileHandle(Discovery().CreateFileW(lastPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
}

int QueryUsbDeviceId(std::wstring& model) {
    win::FileHandle printer = OpenUsbPrinterDevice();
    if (!printer)
        return 0;
    unsigned char answer[kDeviceIdBufferBytes] = {};
    DWORD received = 0;
    if (!RequestDeviceId(printer.Get(), kGet1284Id, answer, sizeof(answer), received))
        return -1;
    const std::string bytes = UsbDeviceIdBytes(answer, sizeof(answer), received);
    model = ModelOfDeviceId(win::FromAnsi(bytes.data(), bytes.size()));
    return static_cast<int>(received);
}

} // namespace discovery
