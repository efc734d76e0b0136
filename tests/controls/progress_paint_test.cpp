// What the text progress bar paints, read back pixel by pixel.
#include "tests/controls/progress_window.h"

#include <gtest/gtest.h>

#include <string>

using namespace progress_test;

namespace {

Options Vertical() {
    Options options;
    options.vertical = true;
    return options;
}

// Turns the text off so that only the fill is seen.
void HideText(const ProgressWindow& w) {
    w.Send(TPB_SETSHOWTEXT, FALSE);
    ::SetWindowTextW(w.Bar(), L"");
}

// Along row y (or column x when vertical) of the inner area: bar colour exactly in [from, to),
// background everywhere else.
void ExpectBarSpan(const Picture& p, bool vertical, int from, int to) {
    const RECT& inner = vertical ? kVerticalInner : kHorizontalInner;
    const int across = vertical ? (inner.left + inner.right) / 2 : (inner.top + inner.bottom) / 2;
    const int start = vertical ? inner.top : inner.left;
    const int end = vertical ? inner.bottom : inner.right;
    int wrong = 0;
    for (int along = start; along < end; ++along) {
        const COLORREF want = along >= from && along < to ? kBar : kBackground;
        const COLORREF got = vertical ? p.At(across, along) : p.At(along, across);
        if (got != want && ++wrong <= 3)
            ADD_FAILURE() << "pixel " << along << " is " << std::hex << got << ", not " << want;
    }
    EXPECT_EQ(0, wrong) << "bar expected over [" << from << ", " << to << ")";
}

// The inner area's text pixels, either colour.
RECT TextBounds(const Picture& p, const RECT& inner) {
    const RECT a = p.Bounds(kText, inner);
    const RECT b = p.Bounds(kBarText, inner);
    if (::IsRectEmpty(&a))
        return b;
    if (::IsRectEmpty(&b))
        return a;
    RECT both{};
    ::UnionRect(&both, &a, &b);
    return both;
}

} // namespace

TEST(ProgressPaint, FillEndsAtThePosition) {
    ProgressWindow w;
    HideText(w);
    for (const int position : {0, 1, 25, 50, 99, 100}) {
        SCOPED_TRACE(testing::Message() << "position " << position);
        w.Send(PBM_SETPOS, static_cast<WPARAM>(position));
        ExpectBarSpan(PrintClient(w.Bar()), false, 2, 2 + 2 * position);
    }
}

TEST(ProgressPaint, VerticalFillGrowsFromTheBottom) {
    ProgressWindow w(Vertical());
    HideText(w);
    for (const int position : {0, 30, 100}) {
        SCOPED_TRACE(testing::Message() << "position " << position);
        w.Send(PBM_SETPOS, static_cast<WPARAM>(position));
        ExpectBarSpan(PrintClient(w.Bar()), true, 202 - 2 * position, 202);
    }
}

TEST(ProgressPaint, MarqueeBlockIsClippedAtBothEnds) {
    // A block of 20 percent of 200 pixels: 40.
    struct Case {
        bool vertical;
        int position, from, to;
    } cases[] = {
        {false, 0, 0, 0},   {false, 10, 2, 22},   {false, 50, 62, 102}, {false, 110, 182, 202},
        {false, 120, 0, 0}, {true, 50, 102, 142}, {true, 110, 2, 22},   {true, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "position " << c.position << " vertical " << c.vertical);
        ProgressWindow w(c.vertical ? Vertical() : Options{});
        w.Send(PBM_SETMARQUEE, TRUE, 10'000'000); // also hides the percentage
        w.Send(PBM_SETPOS, static_cast<WPARAM>(c.position));
        const Picture p = PrintClient(w.Bar());
        ExpectBarSpan(p, c.vertical, c.from, c.to);
        EXPECT_EQ(0, p.Count(kBar, RECT{0, 0, 2, p.height})) << "over the border";
        EXPECT_EQ(0, p.Count(kBar, RECT{p.width - 2, 0, p.width, p.height})) << "over the border";
        EXPECT_EQ(0, p.Count(kBar, RECT{0, 0, p.width, 2})) << "over the border";
    }
}

TEST(ProgressPaint, BorderAndTheFiveBottomRowsAreLeftToOthers) {
    for (const bool vertical : {false, true}) {
        SCOPED_TRACE(testing::Message() << "vertical " << vertical);
        ProgressWindow w(vertical ? Vertical() : Options{});
        HideText(w);
        w.Send(PBM_SETPOS, 100);
        const Picture p = PrintClient(w.Bar(), kGround);
        const RECT& inner = vertical ? kVerticalInner : kHorizontalInner;
        const int painted = p.height - 5;
        const RECT unpainted{0, painted, p.width, p.height};
        EXPECT_EQ(5 * p.width, p.Count(kGround, unpainted)) << "the bottom rows keep the ground";
        EXPECT_EQ(0, p.Count(kGround, RECT{0, 0, p.width, painted}));
        // The full bar covers the inner area; a 2-pixel edge surrounds it.
        const int area = (inner.right - inner.left) * (inner.bottom - inner.top);
        EXPECT_EQ(area, p.Count(kBar, inner));
        EXPECT_EQ(area, p.Count(kBar, RECT{0, 0, p.width, p.height}));
        EXPECT_EQ(inner.bottom + 2, painted);
    }
}

TEST(ProgressPaint, EraseBackgroundErasesNothing) {
    ProgressWindow w;
    w.Send(PBM_SETPOS, 50);
    LRESULT result = 0;
    const Picture p = DrawInto(w.Bar(), WM_ERASEBKGND, kGround, &result);
    EXPECT_EQ(TRUE, result);
    EXPECT_EQ(p.width * p.height, p.Count(kGround, RECT{0, 0, p.width, p.height}));
}

TEST(ProgressPaint, EmptyRangeDrawsNothing) {
    for (const int maximum : {0, -20}) {
        ProgressWindow w;
        w.Send(PBM_SETRANGE32, 0, maximum);
        const Picture p = PrintClient(w.Bar());
        EXPECT_EQ(p.width * p.height, p.Count(kGround, RECT{0, 0, p.width, p.height}));
    }
}

TEST(ProgressPaint, EmptyRangeAnswersThePaintRequest) {
    Options options;
    options.showParent = true;
    ProgressWindow w(options);
    w.Send(PBM_SETRANGE32, 50, 50);
    ::InvalidateRect(w.Bar(), nullptr, TRUE);
    EXPECT_LE(PumpMessages(300, w.Bar()), 1);
    EXPECT_FALSE(::GetUpdateRect(w.Bar(), nullptr, FALSE));
}

TEST(ProgressPaint, PercentageIsDrawnInTwoColours) {
    ProgressWindow w;
    w.Send(PBM_SETPOS, 50);
    const Picture p = PrintClient(w.Bar());
    const RECT overBar{2, 2, 102, 23};
    const RECT overBackground{102, 2, 202, 23};
    EXPECT_GT(p.Count(kBarText, overBar), 10);
    EXPECT_GT(p.Count(kText, overBackground), 10);
    EXPECT_EQ(0, p.Count(kText, overBar));
    EXPECT_EQ(0, p.Count(kBarText, overBackground));
    // The text is centred on a 200-pixel bar.
    const RECT text = TextBounds(p, kHorizontalInner);
    EXPECT_NEAR(102, (text.left + text.right) / 2, 3);
    EXPECT_NEAR(12, (text.top + text.bottom) / 2, 3);
}

TEST(ProgressPaint, PercentageIsRoundedPositionOverRange) {
    struct Case {
        int maximum, position;
        const wchar_t* shown;
        const wchar_t* notShown;
    } cases[] = {{3, 1, L"33%", L"34%"}, {3, 2, L"67%", L"66%"}, {8, 5, L"63%", L"62%"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position << " of " << c.maximum);
        ProgressWindow w;
        w.Send(PBM_SETRANGE32, 0, c.maximum);
        w.Send(PBM_SETPOS, static_cast<WPARAM>(c.position));
        const Picture percentage = PrintClient(w.Bar());
        w.Send(TPB_SETSHOWTEXT, FALSE);
        ::SetWindowTextW(w.Bar(), c.shown);
        EXPECT_TRUE(percentage == PrintClient(w.Bar()));
        ::SetWindowTextW(w.Bar(), c.notShown);
        EXPECT_FALSE(percentage == PrintClient(w.Bar()));
    }
}

TEST(ProgressPaint, WindowTextOrNothing) {
    ProgressWindow w;
    w.Send(PBM_SETPOS, 50);
    HideText(w);
    Picture p = PrintClient(w.Bar());
    EXPECT_EQ(0, p.Count(kText, kHorizontalInner) + p.Count(kBarText, kHorizontalInner));
    ExpectBarSpan(p, false, 2, 102);
    ::SetWindowTextW(w.Bar(), L"Installing");
    w.Send(TPB_SETSHOWTEXT, FALSE); // repaints
    p = PrintClient(w.Bar());
    EXPECT_GT(p.Count(kText, kHorizontalInner), 10);
    EXPECT_GT(p.Count(kBarText, kHorizontalInner), 10);
}

TEST(ProgressPaint, TextAlignment) {
    // Glyphs have a little side bearing: bounds are checked to within a few pixels.
    struct Case {
        int alignment;
        int edgeFrom, edgeTo; // where the checked edge of the text may lie
        bool checkLeft;       // the left edge, else the right; centred: the middle
        bool centred;
    } cases[] = {
        {0, 4, 7, true, false},
        {2, 195, 199, false, false},
        {1, 100, 104, false, true},
        {5, 100, 104, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "alignment " << c.alignment);
        ProgressWindow w;
        w.Send(TPB_SETTEXTALIGN, static_cast<WPARAM>(c.alignment));
        const RECT text = TextBounds(PrintClient(w.Bar()), kHorizontalInner); // "0%"
        ASSERT_FALSE(::IsRectEmpty(&text));
        const int edge =
            c.centred ? (text.left + text.right) / 2 : (c.checkLeft ? text.left : text.right);
        EXPECT_GE(edge, c.edgeFrom);
        EXPECT_LE(edge, c.edgeTo);
    }
}

TEST(ProgressPaint, VerticalTextIsTurned) {
    for (const bool vertical : {false, true}) {
        SCOPED_TRACE(testing::Message() << "vertical " << vertical);
        ProgressWindow w(vertical ? Vertical() : Options{});
        w.Send(TPB_SETSHOWTEXT, FALSE);
        ::SetWindowTextW(w.Bar(), L"WWWW");
        w.Send(PBM_SETPOS, 50);
        const Picture p = PrintClient(w.Bar());
        const RECT& inner = vertical ? kVerticalInner : kHorizontalInner;
        const RECT text = TextBounds(p, inner);
        const int width = text.right - text.left;
        const int height = text.bottom - text.top;
        if (vertical) {
            EXPECT_GT(height, 2 * width);
            // Centred: the text's middle is the bar's middle, where the fill ends.
            EXPECT_NEAR(102, (text.top + text.bottom) / 2, 3);
            EXPECT_GT(p.Count(kBarText, RECT{2, 102, 38, 202}), 10);
            EXPECT_GT(p.Count(kText, RECT{2, 2, 38, 102}), 10);
        } else {
            EXPECT_GT(width, 2 * height);
        }
    }
}

TEST(ProgressPaint, ScreenGetsThePictureAndKeepsTheBottomRows) {
    Options options;
    options.showParent = true;
    ProgressWindow w(options);
    HideText(w);
    {
        // Something else drew below the bar.
        win::WindowDC dc(w.Bar());
        RECT client{};
        ::GetClientRect(w.Bar(), &client);
        win::FillSolidRect(dc.Get(), client, kGround);
    }
    w.Send(PBM_SETPOS, 60); // repaints at once
    const Picture p = ReadScreen(w.Bar());
    ExpectBarSpan(p, false, 2, 122);
    EXPECT_EQ(5 * p.width, p.Count(kGround, RECT{0, p.height - 5, p.width, p.height}));
    EXPECT_EQ(0, p.Count(kGround, RECT{0, 0, p.width, p.height - 5}));
}
