// The text progress bar's messages, sent to a real subclassed "msctls_progress32" window.
#include "tests/controls/progress_window.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace progress_test;

namespace {

constexpr UINT kNeverFires = 10'000'000; // a marquee interval no test waits for

Options Plain() {
    Options options;
    options.colours = false;
    return options;
}

DWORD Low32(LRESULT result) {
    return static_cast<DWORD>(result);
}

} // namespace

TEST(ProgressCtrl, NewControlDefaults) {
    ProgressWindow w(Plain());
    EXPECT_EQ(0, w.Send(PBM_GETRANGE, TRUE));
    EXPECT_EQ(100, w.Send(PBM_GETRANGE, FALSE));
    EXPECT_EQ(0, w.Pos());
    EXPECT_EQ(10, w.Send(PBM_SETSTEP, 3)); // the old step
    EXPECT_EQ(1, w.Send(TPB_SETTEXTALIGN, 0));
    EXPECT_EQ(TRUE, w.Send(TPB_SETSHOWTEXT, FALSE));
    // A new bar marquees with blocks of 20 percent: the limit is 120.
    w.Send(PBM_SETMARQUEE, TRUE, kNeverFires);
    w.Send(PBM_SETPOS, 1000);
    EXPECT_EQ(120, w.Pos());
}

TEST(ProgressCtrl, UnsetColoursAreTheSystemColours) {
    struct Case {
        UINT set, get;
        int system;
    } cases[] = {
        {PBM_SETBARCOLOR, PBM_GETBARCOLOR, COLOR_HIGHLIGHT},
        {PBM_SETBKCOLOR, PBM_GETBKCOLOR, COLOR_BTNFACE},
        {TPB_SETTEXTCOLOR, TPB_GETTEXTCOLOR, COLOR_WINDOWTEXT},
        {TPB_SETBARTEXTCOLOR, TPB_GETBARTEXTCOLOR, COLOR_WINDOW},
    };
    ProgressWindow w(Plain());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "getter " << c.get);
        const COLORREF system = ::GetSysColor(c.system);
        EXPECT_EQ(system, Low32(w.Send(c.get)));
        // A setter returns what was stored, CLR_DEFAULT included; a getter resolves it.
        EXPECT_EQ(CLR_DEFAULT, Low32(w.Send(c.set, 0, RGB(1, 2, 3))));
        EXPECT_EQ(RGB(1, 2, 3), Low32(w.Send(c.get)));
        EXPECT_EQ(RGB(1, 2, 3), Low32(w.Send(c.set, 0, CLR_DEFAULT)));
        EXPECT_EQ(system, Low32(w.Send(c.get)));
        EXPECT_EQ(CLR_DEFAULT, Low32(w.Send(c.set, 0, CLR_NONE)));
        EXPECT_EQ(CLR_NONE, Low32(w.Send(c.get))); // any value is kept
    }
}

TEST(ProgressCtrl, SetPosClampsToTheRange) {
    struct Case {
        bool marquee;
        int size;
        int requested;
        int expected;
    } cases[] = {
        {false, 20, 150, 100}, {false, 20, -5, 0},   {false, 20, 100, 100},
        {false, 20, 63, 63},   {true, 20, 150, 120}, {true, 20, 110, 110},
        {true, 20, -5, 0},     {true, 50, 200, 150}, {true, 0, 101, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.requested << (c.marquee ? " marquee" : ""));
        ProgressWindow w(Plain());
        w.Send(TPB_SETMARQUEESIZE, c.size);
        if (c.marquee)
            w.Send(PBM_SETMARQUEE, TRUE, kNeverFires);
        w.Send(PBM_SETPOS, 40);
        EXPECT_EQ(40, w.Send(PBM_SETPOS, static_cast<WPARAM>(c.requested)));
        EXPECT_EQ(c.expected, w.Pos());
    }
}

TEST(ProgressCtrl, DeltaPosAddsAndClamps) {
    struct Case {
        int start, delta, expected;
    } cases[] = {{40, 15, 55}, {40, -15, 25}, {95, 10, 100}, {5, -10, 0}, {0, 0, 0}};
    for (const Case& c : cases) {
        ProgressWindow w(Plain());
        w.Send(PBM_SETPOS, static_cast<WPARAM>(c.start));
        EXPECT_EQ(c.start, w.Send(PBM_DELTAPOS, static_cast<WPARAM>(c.delta)));
        EXPECT_EQ(c.expected, w.Pos()) << c.start << " + " << c.delta;
    }
}

TEST(ProgressCtrl, StepItWrapsAroundTheRange) {
    struct Case {
        int minimum, maximum, start, step, expected;
    } cases[] = {
        {0, 100, 95, 10, 5},   {0, 100, 5, -10, 95}, {0, 100, 40, 10, 50},   {0, 100, 90, 10, 100},
        {0, 100, 100, 10, 10}, {20, 30, 28, 5, 23},  {0, 100, 95, 250, 100}, // wrapped, clamped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " + " << c.step);
        ProgressWindow w(Plain());
        w.Send(PBM_SETRANGE32, static_cast<WPARAM>(c.minimum), c.maximum);
        w.Send(PBM_SETPOS, static_cast<WPARAM>(c.start));
        w.Send(PBM_SETSTEP, static_cast<WPARAM>(c.step));
        EXPECT_EQ(c.start, w.Send(PBM_STEPIT));
        EXPECT_EQ(c.expected, w.Pos());
    }
}

TEST(ProgressCtrl, SetRangeTakesUnsignedHalvesAndReturnsTheOldPair) {
    ProgressWindow w(Plain());
    w.Send(PBM_SETPOS, 3);
    EXPECT_EQ(MAKELONG(0, 100), Low32(w.Send(PBM_SETRANGE, 0, MAKELPARAM(5, 200))));
    EXPECT_EQ(5, w.Send(PBM_GETRANGE, TRUE));
    EXPECT_EQ(200, w.Send(PBM_GETRANGE, FALSE));
    EXPECT_EQ(3, w.Pos()); // neither clamped nor moved
    EXPECT_EQ(MAKELONG(5, 200), Low32(w.Send(PBM_SETRANGE, 0, MAKELPARAM(0, 0xFFFF))));
    EXPECT_EQ(0xFFFF, w.Send(PBM_GETRANGE, FALSE)); // unsigned, not -1
}

TEST(ProgressCtrl, SetRange32ReturnsTheOldPairCutToSixteenBits) {
    ProgressWindow w(Plain());
    EXPECT_EQ(MAKELONG(0, 100), Low32(w.Send(PBM_SETRANGE32, static_cast<WPARAM>(-10), 70000)));
    PBRANGE range{1, 1};
    EXPECT_EQ(-10, w.Send(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)));
    EXPECT_EQ(-10, range.iLow);
    EXPECT_EQ(70000, range.iHigh);
    EXPECT_EQ(70000, w.Send(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range)));
    EXPECT_EQ(MAKELONG(0xFFF6, 70000 & 0xFFFF), Low32(w.Send(PBM_SETRANGE32, 0, 50)));
    EXPECT_EQ(0, w.Send(PBM_GETRANGE, TRUE, 0)); // nothing to fill
    EXPECT_EQ(50, w.Send(PBM_GETRANGE, FALSE, 0));
}

TEST(ProgressCtrl, TextSettersReturnTheOldValue) {
    ProgressWindow w(Plain());
    EXPECT_EQ(TRUE, w.Send(TPB_SETSHOWTEXT, FALSE));
    EXPECT_EQ(FALSE, w.Send(TPB_SETSHOWTEXT, TRUE));
    EXPECT_EQ(1, w.Send(TPB_SETTEXTALIGN, 2));
    EXPECT_EQ(2, w.Send(TPB_SETTEXTALIGN, 0));
    EXPECT_EQ(0, w.Send(TPB_SETTEXTALIGN, 1));
    EXPECT_EQ(35, w.Send(TPB_SETMARQUEESIZE, 35)); // the new size, not the old one
}

TEST(ProgressCtrl, MarqueeTurnsThePercentageOffForGood) {
    ProgressWindow w(Plain());
    EXPECT_EQ(1, w.Send(PBM_SETMARQUEE, 1, kNeverFires));
    EXPECT_NE(0, w.Style() & PBS_MARQUEE);
    EXPECT_EQ(FALSE, w.Send(TPB_SETSHOWTEXT, TRUE));
    EXPECT_EQ(0, w.Send(PBM_SETMARQUEE, 0));
    EXPECT_EQ(0, w.Style() & PBS_MARQUEE);
    EXPECT_EQ(FALSE, w.Send(TPB_SETSHOWTEXT, FALSE)); // off set it to FALSE again
    EXPECT_EQ(FALSE, w.Send(TPB_SETSHOWTEXT, FALSE));
    // Out of marquee mode the maximum holds again.
    w.Send(PBM_SETPOS, 1000);
    EXPECT_EQ(100, w.Pos());
}

TEST(ProgressCtrl, MarqueeTimerMovesThePositionUntilStopped) {
    ProgressWindow w(Plain());
    w.Send(PBM_SETPOS, 50);
    w.Send(PBM_SETMARQUEE, TRUE, 10);
    PumpMessages(400);
    const int moved = w.Pos();
    EXPECT_NE(50, moved);
    EXPECT_LE(std::abs(moved - 50), 40); // one unit per tick of 10 ms or more
    w.Send(PBM_SETMARQUEE, FALSE);
    const int stopped = w.Pos();
    PumpMessages(200);
    EXPECT_EQ(stopped, w.Pos());
}

TEST(ProgressCtrl, MarqueeTickTurnsAtTheLimitAndTheMinimum) {
    ProgressWindow w(Plain());
    w.Send(PBM_SETMARQUEE, TRUE, kNeverFires);
    const auto tick = [&w] { w.Send(WM_TIMER, CTextProgressCtrl::kMarqueeTimer); };
    w.Send(PBM_SETPOS, 120);
    tick();
    EXPECT_EQ(119, w.Pos()); // whatever the direction was, the limit turns it down
    for (int i = 0; i < 119; ++i)
        tick();
    EXPECT_EQ(0, w.Pos());
    tick();
    EXPECT_EQ(1, w.Pos());
    for (int i = 0; i < 119; ++i)
        tick();
    EXPECT_EQ(120, w.Pos());
    w.Send(WM_TIMER, 2); // not the marquee's timer
    EXPECT_EQ(120, w.Pos());
}

TEST(ProgressCtrl, MarqueeBarsShareOneDirection) {
    ProgressWindow a(Plain());
    ProgressWindow b(Plain());
    for (ProgressWindow* w : {&a, &b})
        w->Send(PBM_SETMARQUEE, TRUE, kNeverFires);
    const auto tick = [](ProgressWindow& w) { w.Send(WM_TIMER, CTextProgressCtrl::kMarqueeTimer); };
    a.Send(PBM_SETPOS, 120);
    b.Send(PBM_SETPOS, 60);
    tick(a); // a turns down at its limit ...
    EXPECT_EQ(119, a.Pos());
    tick(b); // ... and so does b, in the middle of its bar
    EXPECT_EQ(59, b.Pos());
    b.Send(PBM_SETPOS, 0);
    tick(b); // b turns up at its minimum ...
    EXPECT_EQ(1, b.Pos());
    tick(a); // ... and a follows
    EXPECT_EQ(120, a.Pos());
}

TEST(ProgressCtrl, OtherProgressMessagesLeaveTheStateAlone) {
    ProgressWindow w;
    w.Send(PBM_SETPOS, 30);
    const Picture before = PrintClient(w.Bar());
    w.Send(PBM_SETSTATE, PBST_ERROR);
    w.Send(PBM_GETSTEP);
    EXPECT_EQ(30, w.Pos());
    EXPECT_EQ(100, w.Send(PBM_GETRANGE, FALSE));
    EXPECT_EQ(kBar, Low32(w.Send(PBM_GETBARCOLOR)));
    EXPECT_TRUE(before == PrintClient(w.Bar()));
}
