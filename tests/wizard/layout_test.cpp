// The geometry of the wizard, the close confirmation and the error dialog at the screen's DPI:
// no control outside its dialog's client area, no two visible controls overlapping, no text cut.
// The program is DPI-aware (its manifest), so this test program declares the same; it runs in the
// 96-DPI bench and again in a 144-DPI one (tests named dpi144.*, SETUP_TEST_DPI=144), where the
// fonts asked for in points grow while the pixel layout stays.
#include "controls/dlg_is_close.h"
#include "controls/dlg_mes_error.h"
#include "res/resource.h"
#include "tests/support/window_capture.h"
#include "tests/wizard/shown_wizard.h"
#include "win/gdi.h"
#include "wizard/setup_dlg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// Before any window or font: the screen's real DPI, as Setup.exe sees it through its manifest.
const bool g_dpiAware = ::SetProcessDPIAware() != FALSE;

std::string Name(HWND window) {
    char name[64] = "";
    ::GetClassNameA(window, name, 64);
    return std::string(name) + " " + std::to_string(::GetDlgCtrlID(window));
}

struct Child {
    HWND window;
    RECT rect; // in the dialog's client coordinates
};

BOOL CALLBACK AddVisibleChild(HWND window, LPARAM param) {
    auto* children = reinterpret_cast<std::vector<Child>*>(param);
    HWND dialog = children->empty() ? nullptr : children->front().window;
    if (::GetParent(window) != dialog || !::IsWindowVisible(window))
        return TRUE;
    RECT r{};
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    children->push_back({window, r});
    return TRUE;
}

// The dialog's visible direct children.
std::vector<Child> VisibleChildren(HWND dialog) {
    std::vector<Child> children{{dialog, {}}};
    ::EnumChildWindows(dialog, AddVisibleChild, reinterpret_cast<LPARAM>(&children));
    children.erase(children.begin());
    return children;
}

// Every visible control lies inside the client area, and no two of them overlap.
void ExpectInsideAndApart(HWND dialog) {
    RECT client{};
    ::GetClientRect(dialog, &client);
    const std::vector<Child> children = VisibleChildren(dialog);
    EXPECT_FALSE(children.empty());
    for (size_t i = 0; i < children.size(); ++i) {
        const RECT& r = children[i].rect;
        RECT inside{};
        ::IntersectRect(&inside, &r, &client);
        EXPECT_TRUE(::EqualRect(&inside, &r))
            << Name(children[i].window) << " (" << r.left << "," << r.top << ")-(" << r.right << ","
            << r.bottom << ") outside the client area " << client.right << " x " << client.bottom;
        for (size_t j = 0; j < i; ++j) {
            RECT both{};
            EXPECT_FALSE(::IntersectRect(&both, &r, &children[j].rect))
                << Name(children[i].window) << " overlaps " << Name(children[j].window);
        }
    }
}

// A list's rows are not cut: each row is as tall as its font's characters and as wide as its
// text, inside the list's client area (which leaves out a scroll bar).
void ExpectRowsUncut(HWND list) {
    RECT client{};
    ::GetClientRect(list, &client);
    win::WindowDC dc(list);
    const win::ScopedSelect font(dc.Get(),
                                 reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc.Get(), &metrics);
    const LRESULT rows = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    ASSERT_GT(rows, 0) << Name(list);
    EXPECT_GE(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), metrics.tmHeight) << Name(list);
    for (LRESULT row = 0; row < rows; ++row) {
        const std::wstring text = win::ListBoxText(list, row);
        SIZE size{};
        ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
        EXPECT_LE(size.cx + 2, client.right) << Name(list) << " row " << row << " is cut";
    }
}

// Text the dialog paints itself: every dark pixel of its ground lies inside `area` and under no
// visible control.
void ExpectPaintedTextInsideAndFree(HWND dialog, const Capture& ground, unsigned background,
                                    const RECT& area) {
    const std::vector<Child> children = VisibleChildren(dialog);
    int ink = 0, outside = 0, covered = 0;
    for (int y = 0; y < ground.height; ++y) {
        for (int x = 0; x < ground.width; ++x) {
            const unsigned p = ground.At(x, y);
            if (p == background || (p & 0xFF) > 160)
                continue; // the ground, the frame's grey is darker: counted below only inside
            const POINT at{x, y};
            if (!::PtInRect(&area, at)) {
                // The 2-pixel frame of the small dialogs is no text.
                if (x < 2 || y < 2 || x >= ground.width - 2 || y >= ground.height - 2)
                    continue;
                ++outside;
                continue;
            }
            ++ink;
            for (const Child& child : children)
                covered += ::PtInRect(&child.rect, at) ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 50) << "text is drawn";
    EXPECT_EQ(0, outside) << "text reaches beyond its area";
    EXPECT_EQ(0, covered) << "text lies under a control";
}

bool DarkAgainst(unsigned pixel, unsigned background) {
    auto luminance = [](unsigned c) {
        return ((c >> 16) & 0xFF) * 3 + ((c >> 8) & 0xFF) * 6 + (c & 0xFF);
    };
    const int difference =
        static_cast<int>(luminance(pixel)) - static_cast<int>(luminance(background));
    return difference > 600 || difference < -600; // a tenth of the full range and more
}

// Columns of `picture` in rows [top, bottom) holding a pixel far from `background`.
std::vector<bool> InkColumns(const Capture& picture, int top, int bottom, unsigned background) {
    std::vector<bool> columns(static_cast<size_t>(picture.width), false);
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (DarkAgainst(picture.At(x, y), background))
                columns[static_cast<size_t>(x)] = true;
    return columns;
}

int FirstInk(const std::vector<bool>& columns) {
    for (size_t x = 0; x < columns.size(); ++x)
        if (columns[x])
            return static_cast<int>(x);
    return -1;
}

class Wizard : public ShownWizard {
protected:
    void SetUp() override {
        ASSERT_TRUE(g_dpiAware);
        ShownWizard::SetUp();
    }
};

} // namespace

// The bench runs at the DPI the test is registered for: a 144-DPI run that silently ran at 96
// would prove nothing.
TEST(Screen, RunsAtTheBenchesDpi) {
    const char* wanted = std::getenv("SETUP_TEST_DPI");
    win::WindowDC screen(nullptr);
    EXPECT_EQ(wanted != nullptr ? std::atoi(wanted) : 96,
              ::GetDeviceCaps(screen.Get(), LOGPIXELSY));
}

// Each page's controls inside the window and apart, the lists' rows whole, and the confirmation
// page's own text inside the window and under no control.
TEST_F(Wizard, PagesHaveNothingClippedOrOverlapping) {
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(testing::Message() << "page " << page);
        if (page == 2)
            Press(IDC_NEXT, IDC_PORT_LIST);
        if (page == 3)
            Press(IDC_NEXT, IDC_FINISH);
        ExpectInsideAndApart(window);
        if (page == 1)
            ExpectRowsUncut(Item(IDC_MODEL_LIST));
        if (page == 2)
            ExpectRowsUncut(Item(IDC_PORT_LIST));
    }
    RECT client{};
    ::GetClientRect(window, &client);
    // The ground as the erase handler paints it, text included.
    const Capture ground = PaintedGround();
    RECT inner = client;
    ::InflateRect(&inner, -4, -4);
    ExpectPaintedTextInsideAndFree(window, ground, Rgb(230, 230, 230), inner);
}

// The model list shows each model's name as the catalogue gives it, hyphen included, and the
// list's font draws the hyphen: a font without it (or one whose hyphen falls between two pixel
// rows and fades to nothing) would show "KV 8200".
TEST_F(Wizard, ModelRowsShowTheirHyphen) {
    HWND list = Item(IDC_MODEL_LIST);
    const LRESULT rows = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    LRESULT row = LB_ERR;
    for (LRESULT i = 0; i < rows && row == LB_ERR; ++i)
        if (win::ListBoxText(list, i).find(L"KV-8200") != std::wstring::npos)
            row = i;
    ASSERT_NE(LB_ERR, row) << "no row reads KV-8200";
    const std::wstring text = win::ListBoxText(list, row);

    RECT item{};
    ::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    const Capture drawn = CaptureClient(list);
    ASSERT_GT(drawn.width, 0);
    const unsigned background = drawn.At(item.right - 2, (item.top + item.bottom) / 2);
    Capture rowPixels;
    rowPixels.width = drawn.width;
    rowPixels.height = item.bottom - item.top;
    for (int y = item.top; y < item.bottom; ++y)
        for (int x = 0; x < drawn.width; ++x)
            rowPixels.pixels.push_back(drawn.At(x, y));
    const std::vector<bool> rowInk = InkColumns(rowPixels, 0, rowPixels.height, background);

    // The same text in the list's font, drawn here: where its hyphen's columns lie.
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0));
    win::MemoryDC memory(nullptr);
    const win::ScopedSelect selectFont(memory.Get(), font);
    SIZE before{}, through{};
    const size_t hyphen = text.find(L'-');
    ::GetTextExtentPoint32W(memory.Get(), text.c_str(), static_cast<int>(hyphen), &before);
    ::GetTextExtentPoint32W(memory.Get(), text.c_str(), static_cast<int>(hyphen + 1), &through);
    void* bits = nullptr;
    const win::Bitmap bitmap = win::CreateTopDownDib(drawn.width, rowPixels.height, &bits);
    Capture own;
    {
        const win::ScopedSelect select(memory.Get(), bitmap.Get());
        win::FillSolidRect(memory.Get(), RECT{0, 0, drawn.width, rowPixels.height},
                           RGB(255, 255, 255));
        ::SetTextColor(memory.Get(), RGB(0, 0, 0));
        ::SetBkMode(memory.Get(), TRANSPARENT);
        ::TextOutW(memory.Get(), 0, 0, text.c_str(), static_cast<int>(text.size()));
        ::GdiFlush();
        own.width = drawn.width;
        own.height = rowPixels.height;
        for (size_t i = 0; i < static_cast<size_t>(own.width) * own.height; ++i)
            own.pixels.push_back(static_cast<const unsigned*>(bits)[i] & 0x00FFFFFF);
    }
    const std::vector<bool> ownInk = InkColumns(own, 0, own.height, Rgb(255, 255, 255));
    const int shift = FirstInk(rowInk) - FirstInk(ownInk);
    ASSERT_GE(FirstInk(rowInk), 0) << "the row is drawn";
    int hyphenColumns = 0;
    for (int x = before.cx; x < through.cx; ++x) {
        const int at = x + shift;
        hyphenColumns += at >= 0 && at < drawn.width && rowInk[static_cast<size_t>(at)] ? 1 : 0;
    }
    EXPECT_GE(hyphenColumns, 2) << "the hyphen of \"" << std::string(text.begin(), text.end())
                                << "\" is not drawn (" << (through.cx - before.cx)
                                << " columns wide)";
}

// The close confirmation: its picture and two buttons inside the box and apart.
TEST(CloseConfirmation, NothingClippedOrOverlapping) {
    CDlgIsClose dialog;
    ModalThread shown([&dialog] { return dialog.DoModal(nullptr); });
    HWND box = shown.WaitForWindow();
    ASSERT_NE(nullptr, box);
    ExpectInsideAndApart(box);
    ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(shown.Join());
}

// The error dialog with a one-character code and with a code long enough to wrap twice: its
// picture and button inside and apart, its text inside the frame's margin and under neither.
TEST(ErrorDialog, NothingClippedOrOverlapping) {
    for (const std::wstring& code : {std::wstring(L"2"), std::wstring(50, L'8')}) {
        SCOPED_TRACE(testing::Message() << code.size() << "-character code");
        CDlgMesError dialog;
        dialog.m_strError = code;
        ModalThread shown([&dialog] { return dialog.DoModal(nullptr); });
        HWND box = shown.WaitForWindow();
        ASSERT_NE(nullptr, box);
        // Painting places the button below a long code's lines: the picture first.
        const Capture ground = CaptureClient(box);
        ExpectInsideAndApart(box);
        RECT inner{0, 0, ground.width, ground.height};
        ::InflateRect(&inner, -6, -6);
        ExpectPaintedTextInsideAndFree(box, ground, Rgb(255, 255, 255), inner);
        ::PostMessageW(::GetDlgItem(box, IDC_MES_ERROR_OK), BM_CLICK, 0, 0);
        EXPECT_TRUE(shown.Join());
    }
}
