// The close confirmation and the error dialog shown for real, answered as a user would.
#include "controls/dlg_is_close.h"
#include "controls/dlg_mes_error.h"
#include "controls/error_text_layout.h"
#include "res/image_ids.h"
#include "res/resource.h"
#include "tests/support/error_dialog_watcher.h"
#include "tests/support/window_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

POINT ClientPosition(HWND dialog, int id) {
    RECT r{};
    ::GetWindowRect(::GetDlgItem(dialog, id), &r);
    POINT p{r.left, r.top};
    ::ScreenToClient(dialog, &p);
    return p;
}

// True when some pixel in the band is dark (text), searching x from `left` to `right`.
int FirstInkX(const Capture& c, int top, int bottom, int left, int right) {
    for (int x = left; x < right; ++x)
        for (int y = top; y < bottom; ++y)
            if ((c.At(x, y) & 0xFF) < 128 && ((c.At(x, y) >> 8) & 0xFF) < 128)
                return x;
    return -1;
}

// How many rows of the band hold ink between `left` and `right`.
int InkRows(const Capture& c, int top, int bottom, int left, int right) {
    int rows = 0;
    for (int y = top; y < bottom && y < c.height; ++y) {
        for (int x = left; x < right; ++x) {
            if ((c.At(x, y) & 0xFF) < 128 && ((c.At(x, y) >> 8) & 0xFF) < 128) {
                ++rows;
                break;
            }
        }
    }
    return rows;
}

// The keyboard focus of the window's thread.
HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// Pixels of an image button that differ from its bitmap inside the one-pixel grey frame it
// draws; those outside the focus mark's ring are also counted into `outsideMark`.
int PixelsDifferingFromBitmap(HWND button, int bitmap, int* outsideMark) {
    const Capture expected = LoadBitmapPixels(bitmap);
    const Capture drawn = CaptureClient(button);
    if (expected.width != drawn.width || expected.height != drawn.height)
        return -1;
    const int ring = CMyButton::kFocusMarkInset;
    int differing = 0;
    for (int y = 0; y < drawn.height; ++y) {
        for (int x = 0; x < drawn.width; ++x) {
            const bool frame = x == 0 || y == 0 || x == drawn.width - 1 || y == drawn.height - 1;
            const unsigned want = frame ? Rgb(128, 128, 128) : expected.At(x, y);
            if (drawn.At(x, y) == want)
                continue;
            ++differing;
            const bool onRing = (x == ring || x == drawn.width - 1 - ring || y == ring ||
                                 y == drawn.height - 1 - ring) &&
                                x >= ring && y >= ring && x <= drawn.width - 1 - ring &&
                                y <= drawn.height - 1 - ring;
            if (outsideMark != nullptr && !onRing)
                ++*outsideMark;
        }
    }
    return differing;
}

} // namespace

TEST(CloseConfirmation, AnswersAndLayout) {
    struct Case {
        const char* action;
        INT_PTR expected;
    } cases[] = {{"yes", IDOK}, {"no", IDCANCEL}, {"escape", IDCANCEL}, {"close", IDCANCEL}};
    CDlgIsClose box; // one instance shown again on each request, as the wizard does
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        ModalThread shown([&box] { return box.DoModal(nullptr); });
        HWND dialog = shown.WaitForWindow();
        ASSERT_NE(nullptr, dialog);

        RECT window{};
        ::GetWindowRect(dialog, &window);
        EXPECT_EQ(160, window.right - window.left);
        EXPECT_EQ(105, window.bottom - window.top);
        const POINT yes = ClientPosition(dialog, IDC_IS_CLOSE_YES);
        const POINT no = ClientPosition(dialog, IDC_IS_CLOSE_NO);
        EXPECT_EQ(38, yes.x);
        EXPECT_EQ(60, yes.y);
        EXPECT_EQ(87, no.x);
        EXPECT_EQ(60, no.y);
        // White ground inside a dark outline two pixels wide along the client edges.
        const Capture ground = CaptureClient(dialog);
        for (int inset : {0, 1}) {
            EXPECT_EQ(Rgb(51, 51, 51), ground.At(inset, inset));
            EXPECT_EQ(Rgb(51, 51, 51), ground.At(inset, 40));
            EXPECT_EQ(Rgb(51, 51, 51), ground.At(ground.width - 1 - inset, 40));
            EXPECT_EQ(Rgb(51, 51, 51), ground.At(70, ground.height - 1 - inset));
        }
        EXPECT_EQ(Rgb(255, 255, 255), ground.At(2, 40));
        EXPECT_EQ(Rgb(255, 255, 255), ground.At(10, 10));
        // The question at its bitmap's own size.
        RECT question{};
        ::GetWindowRect(::GetDlgItem(dialog, IDC_IS_CLOSE_QUESTION), &question);
        EXPECT_EQ(119, question.right - question.left);
        EXPECT_EQ(28, question.bottom - question.top);

        const std::string action = c.action;
        if (action == "yes")
            ::PostMessageW(::GetDlgItem(dialog, IDC_IS_CLOSE_YES), BM_CLICK, 0, 0);
        else if (action == "no")
            ::PostMessageW(::GetDlgItem(dialog, IDC_IS_CLOSE_NO), BM_CLICK, 0, 0);
        else if (action == "escape")
            ::PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        else
            ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(shown.Join());
        EXPECT_EQ(c.expected, shown.Result());
    }
}

// The keyboard answers with the focused button, "否" from the moment the box opens, and the
// focused button carries a mark so that the user sees which one Enter and Space press.
TEST(CloseConfirmation, KeyboardPressesTheMarkedButtonWithNoFirst) {
    struct Case {
        const char* keys;
        bool moveToYes; // the user moves the focus to "是" first
        UINT key;
        INT_PTR expected;
    } cases[] = {
        {"Enter as the box opens", false, VK_RETURN, IDCANCEL},
        {"Space as the box opens", false, VK_SPACE, IDCANCEL},
        {"Enter on 是", true, VK_RETURN, IDOK},
        {"Space on 是", true, VK_SPACE, IDOK},
    };
    CDlgIsClose box;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        ModalThread shown([&box] { return box.DoModal(nullptr); });
        HWND dialog = shown.WaitForWindow();
        ASSERT_NE(nullptr, dialog);
        HWND yes = ::GetDlgItem(dialog, IDC_IS_CLOSE_YES);
        HWND no = ::GetDlgItem(dialog, IDC_IS_CLOSE_NO);
        EXPECT_EQ(no, FocusOf(dialog));
        if (c.moveToYes)
            ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(yes), TRUE);
        HWND focused = c.moveToYes ? yes : no;
        HWND other = c.moveToYes ? no : yes;
        ASSERT_EQ(focused, FocusOf(dialog));

        // The focused button differs from its bitmap by the mark alone; the other shows its
        // bitmap as it is.
        const int focusedBitmap = c.moveToYes ? IDB_YES : IDB_NO;
        const int otherBitmap = c.moveToYes ? IDB_NO : IDB_YES;
        int outsideMark = 0;
        EXPECT_GT(PixelsDifferingFromBitmap(focused, focusedBitmap, &outsideMark), 8);
        EXPECT_EQ(0, outsideMark) << "the mark stays on its dotted ring";
        EXPECT_EQ(0, PixelsDifferingFromBitmap(other, otherBitmap, nullptr));
        // Also where the system hides focus marks until the keyboard is used (a state Wine's
        // buttons never ask for: the draw request is made here as Windows makes it).
        const Capture hidden = CaptureOwnerDraw(focused, ODS_FOCUS | ODS_NOFOCUSRECT);
        EXPECT_FALSE(hidden.pixels == CaptureOwnerDraw(focused, 0).pixels);

        ::PostMessageW(focused, WM_KEYDOWN, c.key, 1);
        if (c.key == VK_SPACE)
            ::PostMessageW(focused, WM_KEYUP, c.key, 0xC0000001);
        ASSERT_TRUE(shown.Join());
        EXPECT_EQ(c.expected, shown.Result());
    }
}

TEST(ErrorDialog, CodeLinesAdviceAndButtonPositions) {
    struct Case {
        size_t units;
        std::vector<int> codeLineYs; // the label's line, then the lines a long code wraps onto
        int adviceY;
        int buttonY;
    } cases[] = {
        {1, {118}, 149, 205},
        {30, {118, 139}, 170, 220},
        {42, {118, 139}, 170, 220},
        {50, {118, 139, 160}, 191, 241},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.units << " units");
        const std::wstring code(c.units, L'8');
        ModalThread shown([code] {
            ShowErrorDialog(code);
            return INT_PTR(0);
        });
        HWND dialog = shown.WaitForWindow();
        ASSERT_NE(nullptr, dialog);
        RECT window{};
        ::GetWindowRect(dialog, &window);
        EXPECT_EQ(407, window.right - window.left);
        EXPECT_EQ(299, window.bottom - window.top);

        const Capture drawn = CaptureClient(dialog);
        const int right = drawn.width - 3; // inside the frame
        // Every line, the wrapped ones of a long code too, starts at one left edge.
        std::vector<int> lineYs = c.codeLineYs;
        lineYs.push_back(c.adviceY);
        lineYs.push_back(c.adviceY + 20);
        for (int y : lineYs) {
            SCOPED_TRACE(testing::Message() << "line at y " << y);
            EXPECT_NEAR(controls::kErrorTextLeft, FirstInkX(drawn, y, y + 18, 3, right), 2);
        }
        // The Chinese characters (the label and the advice) are legible: at least 12 pixels of
        // ink from top to bottom.
        for (int y : {c.codeLineYs.front(), c.adviceY, c.adviceY + 20}) {
            EXPECT_GE(InkRows(drawn, y, y + 20, 3, right), 12) << "line at y " << y;
        }
        // Nothing between the last code line and the advice, nor between the advice and the
        // button.
        const int lastCodeLineEnd = c.codeLineYs.back() + 20;
        EXPECT_EQ(-1, FirstInkX(drawn, lastCodeLineEnd, c.adviceY - 1, 3, right));
        EXPECT_EQ(-1, FirstInkX(drawn, c.adviceY + 40, c.buttonY - 2, 3, right));
        const POINT button = ClientPosition(dialog, IDC_MES_ERROR_OK);
        EXPECT_EQ(150, button.x);
        EXPECT_EQ(c.buttonY, button.y);

        ::PostMessageW(::GetDlgItem(dialog, IDC_MES_ERROR_OK), BM_CLICK, 0, 0);
        EXPECT_TRUE(shown.Join()) << "the confirm button closes the dialog";
    }
}

// The dialog's own look: a two-pixel frame, the title picture in the middle, and one painter of
// its ground (an erase that painted the dialog grey before the white would flicker).
TEST(ErrorDialog, FramePictureAndOneGroundPainter) {
    ModalThread shown([] {
        ShowErrorDialog(L"2");
        return INT_PTR(0);
    });
    HWND dialog = shown.WaitForWindow();
    ASSERT_NE(nullptr, dialog);

    const Capture drawn = CaptureClient(dialog);
    for (int inset : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "frame pixel " << inset << " from the edge");
        EXPECT_EQ(Rgb(51, 51, 51), drawn.At(inset, 150));
        EXPECT_EQ(Rgb(51, 51, 51), drawn.At(drawn.width - 1 - inset, 150));
        EXPECT_EQ(Rgb(51, 51, 51), drawn.At(200, inset));
        EXPECT_EQ(Rgb(51, 51, 51), drawn.At(200, drawn.height - 1 - inset));
    }
    EXPECT_EQ(Rgb(255, 255, 255), drawn.At(2, 150));

    RECT picture{};
    ::GetWindowRect(::GetDlgItem(dialog, IDC_MES_ERROR_PICTURE), &picture);
    const POINT at = ClientPosition(dialog, IDC_MES_ERROR_PICTURE);
    EXPECT_EQ(drawn.width - (at.x + picture.right - picture.left), at.x) << "centred";
    EXPECT_EQ(151, picture.right - picture.left);
    EXPECT_EQ(45, picture.bottom - picture.top);

    // An erase request paints nothing: WM_PAINT alone paints the ground, white.
    RECT client{};
    ::GetClientRect(dialog, &client);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    HBRUSH magenta = ::CreateSolidBrush(RGB(255, 0, 255));
    ::FillRect(memory, &client, magenta);
    EXPECT_NE(0, ::SendMessageW(dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0));
    EXPECT_EQ(RGB(255, 0, 255), ::GetPixel(memory, 200, 150));
    EXPECT_EQ(RGB(255, 0, 255), ::GetPixel(memory, 5, 5));
    ::SelectObject(memory, old);
    ::DeleteObject(magenta);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);

    ::PostMessageW(::GetDlgItem(dialog, IDC_MES_ERROR_OK), BM_CLICK, 0, 0);
    EXPECT_TRUE(shown.Join());
}

// A window that shows the dialog owns it: the window stays disabled until the dialog is closed.
TEST(ErrorDialog, OwnedByTheWindowThatShowsIt) {
    struct Seen {
        HWND owner = nullptr;
        bool ownerEnabled = true;
    } seen;
    HWND wizard = ::CreateWindowExW(0, L"STATIC", L"wizard", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                                    nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, wizard);
    std::thread user([&seen, wizard] {
        HWND box = nullptr;
        for (int i = 0; i < 500 && box == nullptr; ++i) {
            ::Sleep(20);
            HWND candidate = ::FindWindowW(L"#32770", nullptr);
            if (candidate != nullptr && ::IsWindowVisible(candidate) &&
                ::GetDlgItem(candidate, IDC_MES_ERROR_OK) != nullptr)
                box = candidate;
        }
        if (box == nullptr)
            return;
        seen.owner = ::GetWindow(box, GW_OWNER);
        seen.ownerEnabled = ::IsWindowEnabled(wizard) != FALSE;
        ::PostMessageW(::GetDlgItem(box, IDC_MES_ERROR_OK), BM_CLICK, 0, 0);
    });
    ShowErrorDialog(L"1", wizard);
    user.join();
    EXPECT_EQ(wizard, seen.owner);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(wizard));
    ::DestroyWindow(wizard);
}

// Code that fails on a worker thread shows the dialog; a watcher answers it like a user and
// learns the code from the dialog's title.
TEST(ErrorDialog, WatcherAnswersDialogsOfAnyThread) {
    ErrorDialogWatcher watcher;
    std::thread job([] {
        ShowErrorDialog(L"3");
        ShowErrorDialog(L"4");
    });
    ShowErrorDialog(L"1"); // and one on this thread
    job.join();
    std::vector<std::wstring> codes = watcher.Codes();
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ((std::vector<std::wstring>{L"1", L"3", L"4"}), codes);
}

// The install job shows the dialog on its own thread while the wizard's thread keeps running a
// window of its own; Escape closes it like the button.
TEST(ErrorDialog, WorkerThreadWhileAnotherThreadRunsAWindow) {
    CDlgIsClose wizardStandIn;
    ModalThread ui([&wizardStandIn] { return wizardStandIn.DoModal(nullptr); });
    HWND uiWindow = ui.WaitForWindow();
    ASSERT_NE(nullptr, uiWindow);

    ModalThread job([] {
        ShowErrorDialog(L"6");
        return INT_PTR(1);
    });
    HWND error = job.WaitForWindow();
    ASSERT_NE(nullptr, error);
    EXPECT_FALSE(job.Join(200)) << "ShowErrorDialog returns only when the user closes it";
    // The other thread's window still answers while the error dialog waits.
    DWORD_PTR answer = 0;
    EXPECT_NE(0, ::SendMessageTimeoutW(uiWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer));

    ::PostMessageW(error, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(job.Join());
    EXPECT_EQ(1, job.Result());
    ::PostMessageW(::GetDlgItem(uiWindow, IDC_IS_CLOSE_NO), BM_CLICK, 0, 0);
    EXPECT_TRUE(ui.Join());
}
