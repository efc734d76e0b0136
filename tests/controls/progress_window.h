// A top-level test window holding one progress bar bound to CTextProgressCtrl, and the bar's
// pixels read back.
#pragma once

#include "controls/text_progress_ctrl.h"
#include "win/gdi.h"

#include <windows.h>

#include <vector>

namespace progress_test {

constexpr int kBarId = 1013;

// Distinct colours, none of them a system colour of the border.
constexpr COLORREF kBar = RGB(200, 30, 30);
constexpr COLORREF kBackground = RGB(30, 160, 30);
constexpr COLORREF kText = RGB(20, 20, 220);
constexpr COLORREF kBarText = RGB(250, 250, 0);
constexpr COLORREF kGround = RGB(255, 0, 255); // what the picture is laid onto

// Horizontal: a 206 x 32 window with WS_BORDER, so the client is 204 x 30 and the area inside the
// 2-pixel border (above the 5 unpainted rows) is x 2..202, y 2..23: one pixel per half percent.
constexpr RECT kHorizontalInner{2, 2, 202, 23};
// Vertical: 42 x 211, client 40 x 209, inside y 2..202.
constexpr RECT kVerticalInner{2, 2, 38, 202};

struct Options {
    DWORD style = 0; // added to WS_CHILD | WS_VISIBLE | WS_BORDER
    bool vertical = false;
    bool showParent = false;
    int x = 100; // where the parent goes on the screen
    int y = 100;
    bool colours = true; // sets the four colours above
};

class ProgressWindow {
public:
    explicit ProgressWindow(const Options& options = Options{});
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    HWND Parent() const { return m_parent; }
    HWND Bar() const { return m_bar; }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_bar, message, wParam, lParam);
    }
    int Pos() const { return static_cast<int>(Send(PBM_GETPOS)); }
    LONG Style() const { return ::GetWindowLongW(m_bar, GWL_STYLE); }

private:
    HWND m_parent = nullptr;
    HWND m_bar = nullptr;
    win::Font m_font;
    CTextProgressCtrl m_ctrl;
};

// A picture of a window's client area, one COLORREF per pixel.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Picture& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
    // Pixels of `colour` inside `area`.
    int Count(COLORREF colour, const RECT& area) const;
    // The smallest rectangle holding every pixel of `colour` in `area`; empty when there is none.
    RECT Bounds(COLORREF colour, const RECT& area) const;
};

// A client-sized bitmap filled with `ground` after `message` was sent with its DC as wParam.
Picture DrawInto(HWND window, UINT message, COLORREF ground = kGround, LRESULT* result = nullptr);
// What the control paints into a client-sized bitmap filled with `ground` (WM_PRINTCLIENT).
inline Picture PrintClient(HWND window, COLORREF ground = kGround) {
    return DrawInto(window, WM_PRINTCLIENT, ground);
}
// The client area as it is on the screen.
Picture ReadScreen(HWND window);
// Handles the thread's messages for `milliseconds`; returns how many WM_PAINT went to `window`.
int PumpMessages(DWORD milliseconds, HWND window = nullptr);

} // namespace progress_test
