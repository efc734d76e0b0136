// The USB printer's device ID, requested over its USB printing interface.
#include "discovery/usb_device_id.h"

#include "discovery/device_id.h"
#include "discovery/device_info_set.h"
#include "discovery/discovery_api.h"
#include "win/system_library.h"
#include "win/text.h"

#include <winioctl.h>

namespace discovery {

namespace {

// IOCTL_USBPRINT_GET_1284_ID of usbprint.h.
constexpr DWORD kGet1284Id = CTL_CODE(FILE_DEVICE_UNKNOWN, 13, METHOD_BUFFERED, FILE_ANY_ACCESS);

// Cancels the calling thread's request on the handle: CancelIoEx where the system has it (Vista
// and later), else CancelIo, which covers the requests of the calling thread.
void CancelRequest(HANDLE device, OVERLAPPED* request) {
    using CancelIoExFn = BOOL WINAPI(HANDLE, LPOVERLAPPED);
    static CancelIoExFn* const cancelIoEx =
        win::GetProc<CancelIoExFn>(::GetModuleHandleW(L"kernel32.dll"), "CancelIoEx");
    if (cancelIoEx != nullptr)
        cancelIoEx(device, request);
    else
        ::CancelIo(device);
}

// Sends the ID request on the overlapped handle and waits for its answer at most
// kDeviceIdTimeoutMs. A request still running then is cancelled, and its end is awaited before
// the buffer is given up.
bool RequestDeviceId(HANDLE device, unsigned char* answer, DWORD capacity, DWORD& received) {
    win::KernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done)
        return false;
    OVERLAPPED request{};
    request.hEvent = done.Get();
    DWORD ignored = 0;
    if (!Discovery().DeviceIoControl(device, kGet1284Id, nullptr, 0, answer, capacity, &ignored,
                                     &request)) {
        if (::GetLastError() != ERROR_IO_PENDING)
            return false;
        if (::WaitForSingleObject(done.Get(), kDeviceIdTimeoutMs) != WAIT_OBJECT_0)
            CancelRequest(device, &request);
    }
    received = 0;
    return ::GetOverlappedResult(device, &request, &received, TRUE) != FALSE;
}

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
    if (!RequestDeviceId(printer.Get(), answer, sizeof(answer), received))
        return -1;
    if (received > sizeof(answer))
        received = sizeof(answer);
    const std::string bytes = UsbDeviceIdBytes(answer, sizeof(answer), received);
    model = ModelOfDeviceId(win::FromAnsi(bytes.data(), bytes.size()));
    return static_cast<int>(received);
}

} // namespace discovery
