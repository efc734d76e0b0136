// The ID request to a printer, overlapped and bounded in time.
#include "discovery/device_request.h"

#include "discovery/discovery_api.h"
#include "win/handle.h"
#include "win/system_library.h"

namespace discovery {

namespace {

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

} // namespace

bool RequestDeviceId(HANDLE device, DWORD code, unsigned char* answer, DWORD capacity,
                     DWORD& received) {
    received = 0;
    win::KernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done)
        return false;
    OVERLAPPED request{};
    request.hEvent = done.Get();
    DWORD ignored = 0;
    if (!Discovery().DeviceIoControl(device, code, nullptr, 0, answer, capacity, &ignored,
                                     &request)) {
        if (::GetLastError() != ERROR_IO_PENDING)
            return false;
        if (::WaitForSingleObject(done.Get(), kDeviceIdTimeoutMs) != WAIT_OBJECT_0)
            CancelRequest(device, &request);
    }
    if (!::GetOverlappedResult(device, &request, &received, TRUE))
        return false;
    if (received > capacity)
        received = capacity;
    return true;
}

} // namespace discovery
