#include "tests/controls/progress_window.h"

#include "win/common_controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace progress_test {

namespace {

constexpr wchar_t kParentClass[] = L"ProgressTestParent";

void RegisterParentClass() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
        if (win::Comctl().InitCommonControlsEx != nullptr)
            win::Comctl().InitCommonControlsEx(&icc);
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kParentClass;
        return ::RegisterClassW(&wc) != 0;
    }();
    (void)registered;
}

// A 32-bit top-down DIB section selected into its own memory DC.
class DibCanvas {
public:
    DibCanvas(int width, int height) : m_dc(nullptr), m_width(width), m_height(height) {
        m_bitmap = win::CreateTopDownDib(width, height, &m_bits);
        m_previous = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    }
    ~DibCanvas() { ::SelectObject(m_dc.Get(), m_previous); }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;
    HDC Get() const { return m_dc.Get(); }
    Picture Read() const {
        ::GdiFlush();
        Picture picture{m_width, m_height, {}};
        const auto* bgrx = static_cast<const unsigned char*>(m_bits);
        picture.pixels.resize(static_cast<size_t>(m_width) * m_height);
        for (size_t i = 0; i < picture.pixels.size(); ++i)
            picture.pixels[i] = RGB(bgrx[4 * i + 2], bgrx[4 * i + 1], bgrx[4 * i]);
        return picture;
    }

private:
    win::MemoryDC m_dc;
    win::Bitmap m_bitmap;
    void* m_bits = nullptr;
    HGDIOBJ m_previous = nullptr;
    int m_width;
    int m_height;
};

SIZE ClientSize(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

} // namespace

ProgressWindow::ProgressWindow(const Options& options) {
    RegisterParentClass();
    const DWORD parentStyle = WS_POPUP | (options.showParent ? WS_VISIBLE : 0);
    m_parent = ::CreateWindowExW(options.showParent ? WS_EX_TOPMOST : 0, kParentClass, L"",
                                 parentStyle, options.x, options.y, 300, 300, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
    const int width = options.vertical ? 42 : 206;
    const int height = options.vertical ? 211 : 32;
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_BORDER | options.style | (options.vertical ? PBS_VERTICAL : 0);
    m_bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", style, 10, 10, width, height, m_parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarId)),
                              ::GetModuleHandleW(nullptr), nullptr);
    // Every check of a test that lost its window would read zeros: say why instead.
    if (m_parent == nullptr || m_bar == nullptr)
        ADD_FAILURE() << "the test window was not made, error " << ::GetLastError();
    // A bitmap font would not turn; this TrueType face is drawn without smoothing so that text
    // pixels have exactly the text colours.
    m_font.Reset(::CreateFontW(-15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                               DEFAULT_PITCH, L"Tahoma"));
    ::SendMessageW(m_bar, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    m_ctrl.Attach(m_parent, kBarId);
    if (options.colours) {
        Send(PBM_SETBARCOLOR, 0, kBar);
        Send(PBM_SETBKCOLOR, 0, kBackground);
        Send(TPB_SETTEXTCOLOR, 0, kText);
        Send(TPB_SETBARTEXTCOLOR, 0, kBarText);
    }
    if (options.showParent) {
        ::UpdateWindow(m_parent);
        PumpMessages(50);
    }
}

ProgressWindow::~ProgressWindow() {
    if (m_parent != nullptr)
        ::DestroyWindow(m_parent);
}

int Picture::Count(COLORREF colour, const RECT& area) const {
    int count = 0;
    for (int y = std::max(0L, area.top); y < std::min<LONG>(height, area.bottom); ++y)
        for (int x = std::max(0L, area.left); x < std::min<LONG>(width, area.right); ++x)
            count += At(x, y) == colour;
    return count;
}

RECT Picture::Bounds(COLORREF colour, const RECT& area) const {
    RECT bounds{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (int y = std::max(0L, area.top); y < std::min<LONG>(height, area.bottom); ++y) {
        for (int x = std::max(0L, area.left); x < std::min<LONG>(width, area.right); ++x) {
            if (At(x, y) != colour)
                continue;
            bounds.left = std::min<LONG>(bounds.left, x);
            bounds.top = std::min<LONG>(bounds.top, y);
            bounds.right = std::max<LONG>(bounds.right, x + 1);
            bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
        }
    }
    return bounds.left == LONG_MAX ? RECT{} : bounds;
}

Picture DrawInto(HWND window, UINT message, COLORREF ground, LRESULT* result) {
    const SIZE size = ClientSize(window);
    DibCanvas canvas(size.cx, size.cy);
    const RECT all{0, 0, size.cx, size.cy};
    win::FillSolidRect(canvas.Get(), all, ground);
    ::SetBkColor(canvas.Get(), RGB(255, 255, 255));
    const LRESULT answer =
        ::SendMessageW(window, message, reinterpret_cast<WPARAM>(canvas.Get()), PRF_CLIENT);
    if (result != nullptr)
        *result = answer;
    return canvas.Read();
}

Picture ReadScreen(HWND window) {
    const SIZE size = ClientSize(window);
    DibCanvas canvas(size.cx, size.cy);
    win::WindowDC screen(window);
    ::BitBlt(canvas.Get(), 0, 0, size.cx, size.cy, screen.Get(), 0, 0, SRCCOPY);
    return canvas.Read();
}

int PumpMessages(DWORD milliseconds, HWND window) {
    int paints = 0;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < milliseconds) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (window != nullptr && msg.hwnd == window && msg.message == WM_PAINT)
                ++paints;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return paints;
}

} // namespace progress_test
