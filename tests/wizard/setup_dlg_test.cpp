// The wizard window shown in the test's process, from a copy of the distribution folder (its
// catalogue beside the program): its pages' looks read back as pixels and rectangles, and the
// install job's thread refused through the wizard's seam.
#include "res/image_ids.h"
#include "res/resource.h"
#include "tests/support/window_capture.h"
#include "tests/wizard/shown_wizard.h"
#include "win/gdi.h"
#include "wizard/setup_dlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// A rectangle of a child in its dialog's client coordinates.
RECT ClientRect(HWND dialog, HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

BOOL CALLBACK FindErrorDialogProc(HWND window, LPARAM found) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window) ||
        ::GetDlgItem(window, IDC_MES_ERROR_OK) == nullptr)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The error dialog shown by this process, if any.
HWND FindErrorDialog() {
    HWND found = nullptr;
    ::EnumWindows(FindErrorDialogProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

class Wizard : public ShownWizard {
protected:
    void TearDown() override {
        CSetupDlg::SetJobStarterForTesting(nullptr);
        ShownWizard::TearDown();
    }
};

} // namespace

// The ground is painted to the last column and row of the client area on every page: no strip of
// whatever lay there before (black on the screen) is left along the edges.
TEST_F(Wizard, GroundReachesEveryEdgeOnEveryPage) {
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(testing::Message() << "page " << page);
        if (page == 2)
            Press(IDC_NEXT, IDC_PORT_LIST);
        if (page == 3)
            Press(IDC_NEXT, IDC_FINISH);
        const Capture ground = PaintedGround();
        int unpainted = 0;
        for (unsigned p : ground.pixels)
            unpainted += p == Rgb(255, 0, 255);
        EXPECT_EQ(0, unpainted);
        EXPECT_EQ(Rgb(230, 230, 230), ground.At(0, ground.height / 2));
        EXPECT_EQ(Rgb(230, 230, 230), ground.At(ground.width - 1, ground.height / 2));
        EXPECT_EQ(Rgb(230, 230, 230), ground.At(ground.width / 2, ground.height - 1));
    }
}

// One row of buttons: the same rectangles on every page (the finish button in the next button's
// place), one height, frames apart, each at its bitmap's own size.
TEST_F(Wizard, OneRowOfButtonsInTheSamePlacesOnEveryPage) {
    struct Role {
        int id;
        int bitmap;
        const char* slot;
    } roles[] = {{IDC_BACK, IDB_BACK, "back"},
                 {IDC_NEXT, IDB_NEXT, "next"},
                 {IDC_FINISH, IDB_FINISH, "next"},
                 {IDC_CANCEL_SETUP, IDB_CANCEL, "cancel"}};
    std::map<std::string, RECT> slots;
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(testing::Message() << "page " << page);
        if (page == 2)
            Press(IDC_NEXT, IDC_PORT_LIST);
        if (page == 3)
            Press(IDC_NEXT, IDC_FINISH);
        std::vector<RECT> shownButtons;
        for (const Role& role : roles) {
            if (!Visible(role.id))
                continue;
            const RECT r = ClientRect(window, Item(role.id));
            const Capture bitmap = LoadBitmapPixels(role.bitmap);
            EXPECT_EQ(bitmap.width, r.right - r.left) << role.id;
            EXPECT_EQ(bitmap.height, r.bottom - r.top) << role.id;
            auto known = slots.find(role.slot);
            if (known == slots.end()) {
                slots[role.slot] = r;
            } else {
                EXPECT_TRUE(::EqualRect(&known->second, &r)) << role.slot << " moved";
            }
            for (const RECT& before : shownButtons) {
                EXPECT_EQ(before.top, r.top) << "one row";
                EXPECT_EQ(before.bottom, r.bottom) << "one height";
                const int gap =
                    r.left >= before.right ? r.left - before.right : before.left - r.right;
                EXPECT_GE(gap, 4) << "frames apart: " << role.id;
            }
            shownButtons.push_back(r);
        }
        EXPECT_EQ(page == 1 ? 2u : 3u, shownButtons.size());
    }
}

// The confirmation page's model and port are drawn in the labels' style: their dark grey, not
// black; the two lists share one font.
TEST_F(Wizard, ConfirmationTextInTheLabelsStyleAndOneListFont) {
    Press(IDC_NEXT, IDC_PORT_LIST);
    EXPECT_EQ(::SendMessageW(Item(IDC_MODEL_LIST), WM_GETFONT, 0, 0),
              ::SendMessageW(Item(IDC_PORT_LIST), WM_GETFONT, 0, 0));
    Press(IDC_NEXT, IDC_FINISH);
    const Capture ground = PaintedGround();
    int ink = 0, black = 0;
    for (int y = 100; y < 150; ++y) {
        for (int x = 93; x < 300; ++x) {
            const unsigned p = ground.At(x, y);
            if (p == Rgb(230, 230, 230))
                continue;
            ++ink;
            black += p == 0;
            EXPECT_GE(p & 0xFF, 51u)
                << "no pixel darker than the labels' grey at " << x << "," << y;
        }
    }
    EXPECT_GT(ink, 50) << "model and port are drawn";
    EXPECT_EQ(0, black);
}

// The install job's thread cannot be started: the user is told with code "7" in a dialog owned
// by the wizard, and the wizard ends as after a failed job instead of looping its bar forever.
TEST_F(Wizard, JobThreadThatCannotStartIsReportedAndTheWizardEnds) {
    CSetupDlg::SetJobStarterForTesting([](win::ThreadProc, void*) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return win::KernelHandle();
    });
    Press(IDC_NEXT, IDC_PORT_LIST);
    Press(IDC_NEXT, IDC_FINISH);
    struct Seen {
        HWND owner = nullptr;
        std::wstring title;
    } seen;
    std::thread user([&seen] {
        HWND box = nullptr;
        WaitFor([&] { return (box = FindErrorDialog()) != nullptr; });
        if (box == nullptr)
            return;
        seen.owner = ::GetWindow(box, GW_OWNER);
        wchar_t title[128] = L"";
        ::GetWindowTextW(box, title, 128);
        seen.title = title;
        ::PostMessageW(::GetDlgItem(box, IDC_MES_ERROR_OK), BM_CLICK, 0, 0);
    });
    ::PostMessageW(Item(IDC_FINISH), BM_CLICK, 0, 0);
    user.join();
    EXPECT_EQ(L"安装失败 错误代码：7", seen.title);
    EXPECT_EQ(window, seen.owner);
    ASSERT_TRUE(shown->Join(20000)) << "the wizard ends once the dialog is answered";
    EXPECT_EQ(1, shown->Result());
    window = nullptr;
}
