// The off-screen device context the progress bar paints through.
#include "controls/grid_mem_dc.h"
#include "tests/controls/progress_window.h"

#include <gtest/gtest.h>

using namespace progress_test;

namespace {

constexpr COLORREF kDrawn = RGB(10, 120, 230);

// A 100 x 60 picture to draw on, filled with the ground colour.
class Target {
public:
    Target() : m_dc(nullptr) {
        m_bitmap.Reset(::CreateCompatibleBitmap(Screen(), 100, 60));
        m_previous = ::SelectObject(m_dc.Get(), m_bitmap.Get());
        win::FillSolidRect(m_dc.Get(), RECT{0, 0, 100, 60}, kGround);
    }
    ~Target() { ::SelectObject(m_dc.Get(), m_previous); }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;
    HDC Get() const { return m_dc.Get(); }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc.Get(), x, y); }
    // Pixels of `colour` in the device rectangle `area`.
    int Count(COLORREF colour, const RECT& area) const {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                count += At(x, y) == colour;
        return count;
    }

private:
    static HDC Screen() {
        static win::WindowDC screen(nullptr);
        return screen.Get();
    }
    win::MemoryDC m_dc;
    win::Bitmap m_bitmap;
    HGDIOBJ m_previous = nullptr;
};

int Area(const RECT& r) {
    return (r.right - r.left) * (r.bottom - r.top);
}

} // namespace

TEST(ProgressGridMemDC, DrawsOffScreenUntilDestroyed) {
    Target target;
    ::IntersectClipRect(target.Get(), 10, 10, 90, 50);
    ::SetBkColor(target.Get(), RGB(1, 2, 3));
    {
        CGridMemDC memory(target.Get());
        const RECT covered = memory.Rect();
        EXPECT_EQ(10, covered.left);
        EXPECT_EQ(10, covered.top);
        EXPECT_EQ(90, covered.right);
        EXPECT_EQ(45, covered.bottom); // the clip box less its 5 bottom rows
        EXPECT_EQ(RGB(1, 2, 3), ::GetPixel(memory.Get(), 20, 20)) << "filled with the background";
        win::FillSolidRect(memory.Get(), RECT{0, 0, 30, 30}, kDrawn);
        EXPECT_EQ(100 * 60, target.Count(kGround, RECT{0, 0, 100, 60})) << "nothing on screen yet";
    }
    // The covered rectangle arrives; nothing else changes.
    EXPECT_EQ(20 * 20, target.Count(kDrawn, RECT{0, 0, 100, 60}));
    EXPECT_EQ(20 * 20, target.Count(kDrawn, RECT{10, 10, 30, 30}));
    EXPECT_EQ(Area(RECT{10, 10, 90, 45}) - 20 * 20,
              target.Count(RGB(1, 2, 3), RECT{10, 10, 90, 45}));
    EXPECT_EQ(100 * 60 - Area(RECT{10, 10, 90, 45}), target.Count(kGround, RECT{0, 0, 100, 60}));
}

TEST(ProgressGridMemDC, DrawsAtTheTargetsLogicalCoordinates) {
    Target target;
    ::SetViewportOrgEx(target.Get(), 20, 10, nullptr); // logical (0, 0) is device (20, 10)
    ::SetBkColor(target.Get(), RGB(1, 2, 3));
    {
        CGridMemDC memory(target.Get());
        EXPECT_EQ(-20, memory.Rect().left);
        EXPECT_EQ(-10, memory.Rect().top);
        win::FillSolidRect(memory.Get(), RECT{0, 0, 10, 10}, kDrawn);
    }
    ::SetViewportOrgEx(target.Get(), 0, 0, nullptr);
    EXPECT_EQ(100, target.Count(kDrawn, RECT{20, 10, 30, 20}));
    EXPECT_EQ(100, target.Count(kDrawn, RECT{0, 0, 100, 60}));
    EXPECT_EQ(100 * 5, target.Count(kGround, RECT{0, 55, 100, 60}));
}

TEST(ProgressGridMemDC, NothingLeftToCopyDrawsNothing) {
    Target target;
    ::IntersectClipRect(target.Get(), 10, 10, 90, 14); // fewer rows than are left alone
    {
        CGridMemDC memory(target.Get());
        win::FillSolidRect(memory.Get(), RECT{0, 0, 100, 60}, kDrawn);
    }
    EXPECT_EQ(100 * 60, target.Count(kGround, RECT{0, 0, 100, 60}));
}

TEST(ProgressGridMemDC, GroundOfTheTargetWindow) {
    // A dialog is filled with the button face, a window with its class brush.
    static constexpr COLORREF kClassBrush = RGB(90, 40, 140);
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = ::CreateSolidBrush(kClassBrush);
    wc.lpszClassName = L"ProgressGroundTest";
    ASSERT_NE(0, ::RegisterClassW(&wc));
    struct Case {
        const wchar_t* className;
        COLORREF ground;
    } cases[] = {{L"#32770", ::GetSysColor(COLOR_BTNFACE)}, {L"ProgressGroundTest", kClassBrush}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className[0] == L'#' ? "dialog" : "class brush");
        HWND window = ::CreateWindowExW(WS_EX_TOPMOST, c.className, L"", WS_POPUP | WS_VISIBLE, 50,
                                        50, 120, 80, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, window);
        PumpMessages(50);
        {
            win::WindowDC dc(window);
            win::FillSolidRect(dc.Get(), RECT{0, 0, 120, 80}, kGround);
            ::SetBkColor(dc.Get(), RGB(1, 2, 3)); // not used for a window with a ground of its own
            CGridMemDC memory(dc.Get());
        }
        const Picture p = ReadScreen(window);
        EXPECT_EQ(p.width * (p.height - 5), p.Count(c.ground, RECT{0, 0, p.width, p.height - 5}));
        EXPECT_EQ(p.width * 5, p.Count(kGround, RECT{0, p.height - 5, p.width, p.height}));
        ::DestroyWindow(window);
    }
}
