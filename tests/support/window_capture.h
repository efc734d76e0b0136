// Showing windows in tests: a modal dialog on a thread of its own, and pixels of a window read
// back through WM_PRINTCLIENT into a memory bitmap.
#pragma once

#include <windows.h>

#include <functional>
#include <thread>
#include <vector>

namespace testing_support {

// Polls `condition` every 20 ms until it holds; false when it still does not after `timeoutMs`.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 20000);

// Runs `show` (which shows a modal dialog and returns when it ends) on a new thread.
class ModalThread {
public:
    explicit ModalThread(std::function<INT_PTR()> show);
    ~ModalThread();
    // The thread's first visible top-level window, waited for up to `timeoutMs`; nullptr if none.
    HWND WaitForWindow(DWORD timeoutMs = 10000);
    // Waits for `show` to return; false on time-out.
    bool Join(DWORD timeoutMs = 10000);
    INT_PTR Result() const { return m_result; }

private:
    std::thread m_thread;
    HANDLE m_done;
    DWORD m_threadId = 0;
    HANDLE m_started;
    INT_PTR m_result = -2;
};

// A window's client area as 0x00RRGGBB values, row by row.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<unsigned> pixels;
    unsigned At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Fills a bitmap of the client size with `ground`, then lets the window paint into it
// (WM_PRINTCLIENT, sent to the window's thread).
Capture CaptureClient(HWND window, COLORREF ground = RGB(255, 0, 255));

// An owner-drawn control drawn into a bitmap of its client size with the given item state
// (ODS_FOCUS, ODS_NOFOCUSRECT, ...), through the draw request its dialog forwards to it: for states
// Wine's controls never ask for.
Capture CaptureOwnerDraw(HWND control, UINT itemState);

// A bitmap resource of the test program as 0x00RRGGBB values.
Capture LoadBitmapPixels(int id);

constexpr unsigned Rgb(unsigned r, unsigned g, unsigned b) {
    return (r << 16) | (g << 8) | b;
}

} // namespace testing_support
