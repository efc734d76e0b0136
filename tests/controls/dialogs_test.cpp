// The close confirmation and the error dialog shown for real, answered as a user would.
#include "controls/dlg_is_close.h"
#include "controls/dlg_mes_error.h"
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
        // White ground inside a dark outline: the two-pixel pen runs along the client edges, so
        // the edge pixels of the client area are dark.
        const Capture ground = CaptureClient(dialog);
        EXPECT_EQ(Rgb(51, 51, 51), ground.At(0, 0));
        EXPECT_EQ(Rgb(51, 51, 51), ground.At(0, 40));
        EXPECT_EQ(Rgb(51, 51, 51), ground.At(ground.width - 1, 40));
        EXPECT_EQ(Rgb(51, 51, 51), ground.At(70, ground.height - 1));
        EXPECT_EQ(Rgb(255, 255, 255), ground.At(10, 10));

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

TEST(ErrorDialog, CodeLinesAdviceAndButtonPositions) {
    struct Case {
        size_t units;
        int secondLineY; // -1: no continuation line
        int secondLineX;
        int thirdLineY; // -1: none
        int adviceY;
        int buttonY;
    } cases[] = {
        {1, -1, 0, -1, 149, 205},
        {30, 139, 110, -1, 170, 220},
        {42, 139, 115, -1, 170, 220},
        {50, 139, 115, 160, 191, 241},
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
        // "错误代码：" and the code start at x = 50.
        EXPECT_NEAR(50, FirstInkX(drawn, 118, 130, 40, 400), 2);
        if (c.secondLineY >= 0) {
            EXPECT_NEAR(c.secondLineX, FirstInkX(drawn, c.secondLineY, c.secondLineY + 12, 40, 400),
                        2);
        } else {
            EXPECT_EQ(-1, FirstInkX(drawn, 132, c.adviceY, 40, 400)) << "no line before the advice";
        }
        if (c.thirdLineY >= 0) {
            EXPECT_NEAR(110, FirstInkX(drawn, c.thirdLineY, c.thirdLineY + 12, 40, 400), 2);
        }
        EXPECT_NEAR(50, FirstInkX(drawn, c.adviceY, c.adviceY + 12, 40, 400), 2);
        EXPECT_NEAR(50, FirstInkX(drawn, c.adviceY + 20, c.adviceY + 32, 40, 400), 2);
        // Nothing between the second advice line and the button.
        EXPECT_EQ(-1, FirstInkX(drawn, c.adviceY + 34, c.buttonY - 2, 40, 400));
        const POINT button = ClientPosition(dialog, IDC_MES_ERROR_OK);
        EXPECT_EQ(150, button.x);
        EXPECT_EQ(c.buttonY, button.y);

        ::PostMessageW(::GetDlgItem(dialog, IDC_MES_ERROR_OK), BM_CLICK, 0, 0);
        EXPECT_TRUE(shown.Join()) << "the confirm button closes the dialog";
    }
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
