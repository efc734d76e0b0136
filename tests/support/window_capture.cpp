#include "tests/support/window_capture.h"

#include "win/window.h"

namespace testing_support {

namespace {

BOOL CALLBACK FirstVisible(HWND window, LPARAM out) {
    if (!::IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

} // namespace

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
    return true;
}

ModalThread::ModalThread(std::function<INT_PTR()> show)
    : m_done(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_started(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_thread = std::thread([this, show] {
        m_threadId = ::GetCurrentThreadId();
        ::SetEvent(m_started);
        m_result = show();
        ::SetEvent(m_done);
    });
    ::WaitForSingleObject(m_started, INFINITE);
}

ModalThread::~ModalThread() {
    if (m_thread.joinable()) {
        if (!Join(5000)) {
            // Still showing: close whatever the thread shows, then wait.
            HWND window = WaitForWindow(0);
            if (window != nullptr)
                ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        }
        m_thread.join();
    }
    ::CloseHandle(m_done);
    ::CloseHandle(m_started);
}

HWND ModalThread::WaitForWindow(DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        HWND found = nullptr;
        ::EnumThreadWindows(m_threadId, FirstVisible, reinterpret_cast<LPARAM>(&found));
        if (found != nullptr || ::GetTickCount() - start >= timeoutMs)
            return found;
        ::Sleep(10);
    }
}

bool ModalThread::Join(DWORD timeoutMs) {
    if (::WaitForSingleObject(m_done, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (m_thread.joinable())
        m_thread.join();
    return true;
}

namespace {

Capture FromBitmap(HDC dc, HBITMAP bitmap, int width, int height) {
    Capture capture;
    capture.width = width;
    capture.height = height;
    capture.pixels.resize(static_cast<size_t>(width) * height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), capture.pixels.data(), &info,
                DIB_RGB_COLORS);
    for (unsigned& p : capture.pixels)
        p &= 0x00FFFFFF;
    return capture;
}

} // namespace

Capture CaptureClient(HWND window, COLORREF ground) {
    RECT client{};
    ::GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    HBRUSH brush = ::CreateSolidBrush(ground);
    ::FillRect(memory, &client, brush);
    ::DeleteObject(brush);
    ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    ::SelectObject(memory, old);
    Capture capture = FromBitmap(memory, bitmap, width, height);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return capture;
}

Capture CaptureOwnerDraw(HWND control, UINT itemState) {
    RECT client{};
    ::GetClientRect(control, &client);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(::GetDlgCtrlID(control));
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = itemState;
    item.hwndItem = control;
    item.hDC = memory;
    item.rcItem = client;
    ::SendMessageW(control, win::kReflectedDrawItem, item.CtlID, reinterpret_cast<LPARAM>(&item));
    ::SelectObject(memory, old);
    Capture capture = FromBitmap(memory, bitmap, client.right, client.bottom);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return capture;
}

Capture LoadBitmapPixels(int id) {
    HBITMAP bitmap =
        static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap == nullptr)
        return Capture();
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof(info), &info);
    HDC screen = ::GetDC(nullptr);
    Capture capture = FromBitmap(screen, bitmap, info.bmWidth, info.bmHeight);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(bitmap);
    return capture;
}

} // namespace testing_support
