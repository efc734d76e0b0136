// Position rules, fill layout and text placement of the text progress bar.
#include "controls/progress_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <ostream>

using namespace controls;

namespace controls {
std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}
} // namespace controls

namespace {

ProgressState Range(int minimum, int maximum, int position = 0, int step = 10) {
    ProgressState state;
    state.minimum = minimum;
    state.maximum = maximum;
    state.position = position;
    state.step = step;
    return state;
}

ProgressState Marquee(int maximum, int size, int position = 0) {
    ProgressState state = Range(0, maximum, position);
    state.marquee = true;
    state.marqueeSize = size;
    return state;
}

} // namespace

TEST(ProgressGeometry, MarqueeLimit) {
    struct Case {
        int size, maximum, limit;
    } cases[] = {
        {20, 100, 120}, {50, 100, 150}, {0, 100, 100}, {20, 200, 240},   {20, 0, 0},
        {20, 7, 8},     {33, 10, 13},   {25, 2, 2},    {20, -100, -119}, // truncated toward zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.limit, MarqueeLimit(c.size, c.maximum)) << c.size << " " << c.maximum;
}

TEST(ProgressGeometry, ClampPosition) {
    struct Case {
        ProgressState state;
        long long requested;
        int expected;
    } cases[] = {
        {Range(0, 100), 150, 100},
        {Range(0, 100), -5, 0},
        {Range(0, 100), 0, 0},
        {Range(0, 100), 100, 100},
        {Range(0, 100), 57, 57},
        {Range(5, 200), 3, 5},
        {Range(-50, 50), -51, -50},
        {Range(0, 100), 1LL << 40, 100},
        {Range(0, 100), -(1LL << 40), 0},
        {Marquee(100, 20), 150, 120},
        {Marquee(100, 20), 110, 110},
        {Marquee(100, 20), -5, 0},
        {Marquee(100, 50), 200, 150},
        {Marquee(100, 0), 101, 100},
        // An upside-down range: raised to the minimum first, then cut to the maximum.
        {Range(10, 5), 7, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, ClampPosition(c.state, c.requested))
            << c.requested << " on " << c.state.minimum << ".." << c.state.maximum
            << (c.state.marquee ? " marquee" : "");
    }
}

TEST(ProgressGeometry, StepWrapsAroundTheRange) {
    struct Case {
        int minimum, maximum, position, step;
        long long next;
    } cases[] = {
        {0, 100, 95, 10, 5},     {0, 100, 5, -10, 95},   {0, 100, 50, 10, 60},
        {0, 100, 90, 10, 100},   {0, 100, 100, 10, 10},  {0, 100, 0, -10, 90},
        {0, 100, 10, -10, 0},    {10, 20, 18, 5, 13},    {-50, 50, 45, 10, -45},
        {-50, 50, -45, -10, 45}, {0, 100, 95, 250, 245}, // wraps once; clamping follows
        {0, 100, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.next, WrapStep(Range(c.minimum, c.maximum, c.position, c.step)))
            << c.position << " + " << c.step << " on " << c.minimum << ".." << c.maximum;
    }
    // The stepped position is still clamped.
    const ProgressState state = Range(0, 100, 95, 250);
    EXPECT_EQ(100, ClampPosition(state, WrapStep(state)));
}

TEST(ProgressGeometry, MarqueeDirectionTurnsAtTheEnds) {
    struct Case {
        int minimum, position, direction, next;
    } cases[] = {
        {0, 120, 1, -1},  {0, 119, 1, 1}, {0, 130, 1, -1}, {0, 0, -1, 1},  {0, 1, -1, -1},
        {0, 120, -1, -1}, {0, 0, 1, 1},   {10, 10, -1, 1}, {10, 5, -1, 1}, {10, 11, -1, -1},
    };
    for (const Case& c : cases) {
        ProgressState state = Marquee(100, 20, c.position);
        state.minimum = c.minimum;
        EXPECT_EQ(c.next, NextMarqueeDirection(state, c.direction))
            << "at " << c.position << " going " << c.direction;
    }
}

TEST(ProgressGeometry, MarqueeSweepsBetweenMinimumAndLimit) {
    ProgressState state = Marquee(100, 20, 0);
    int direction = 1;
    int highest = INT_MIN;
    int lowest = INT_MAX;
    int turns = 0;
    for (int tick = 0; tick < 600; ++tick) {
        const int next = NextMarqueeDirection(state, direction);
        turns += next != direction;
        direction = next;
        state.position = ClampPosition(state, state.position + direction);
        highest = std::max(highest, state.position);
        lowest = std::min(lowest, state.position);
    }
    EXPECT_EQ(120, highest);
    EXPECT_EQ(0, lowest);
    EXPECT_EQ(4, turns); // up 120, down 120, up, down, up: 600 ticks
    EXPECT_EQ(120, state.position);
}

TEST(ProgressGeometry, PercentDone) {
    struct Case {
        int position, minimum, maximum, percent;
    } cases[] = {
        {1, 0, 3, 33},  {2, 0, 3, 67}, {0, 0, 100, 0},     {100, 0, 100, 100}, {1, 0, 200, 1},
        {1, 0, 400, 0}, {5, 0, 8, 63}, {0, -100, 100, 50}, {120, 0, 100, 120}, {150, 100, 200, 50},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.percent, PercentDone(ProgressFraction(c.position, c.minimum, c.maximum)))
            << c.position << " of " << c.minimum << ".." << c.maximum;
    }
}

namespace {

constexpr Rect kWide{2, 2, 202, 20}; // 200 long
constexpr Rect kTall{2, 2, 22, 202}; // 200 long

// The parts of kWide or kTall when the bar spans [from, to) along the bar's direction (for a
// vertical bar: `from` is the top edge); before lies on the minimum side, after on the other.
struct Expected {
    bool showBefore;
    Rect before;
    Rect bar;
    bool showAfter;
    Rect after;
};

Expected Parts(bool vertical, bool showBefore, int from, int to, bool showAfter) {
    if (vertical)
        return {showBefore, {2, to, 22, 202}, {2, from, 22, to}, showAfter, {2, 2, 22, from}};
    return {showBefore, {2, 2, from, 20}, {from, 2, to, 20}, showAfter, {to, 2, 202, 20}};
}

void ExpectFill(const Expected& expected, const FillLayout& fill) {
    EXPECT_EQ(expected.showBefore, fill.showBefore);
    if (expected.showBefore) {
        EXPECT_EQ(expected.before, fill.before);
    }
    EXPECT_EQ(expected.bar, fill.bar);
    EXPECT_EQ(expected.showAfter, fill.showAfter);
    if (expected.showAfter) {
        EXPECT_EQ(expected.after, fill.after);
    }
}

} // namespace

TEST(ProgressGeometry, PlainFill) {
    // The fill runs from the minimum side to the edge; only the part after it is shown beside it.
    struct Case {
        bool vertical;
        double fraction;
        int edge;
    } cases[] = {
        {false, 0.0, 2},
        {false, 0.5, 102},
        {false, 1.0 / 3, 68},
        {false, 1.0, 202},
        {true, 0.0, 202},
        {true, 0.25, 152},
        {true, 1.0, 2},
        {true, 0.999, 3},
        // 200 * 0.99 and 200 * 1.2 as doubles are whole numbers, below them in 80-bit precision.
        {false, 0.99, 200},
        {true, 0.99, 4},
        // A position outside a changed range stays inside the border.
        {false, -0.5, 2},
        {false, 2.0, 202},
        {true, 2.0, 2},
        {true, -1.0, 202},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fraction << (c.vertical ? " vertical" : ""));
        const Expected expected = c.vertical ? Parts(true, false, c.edge, 202, true)
                                             : Parts(false, false, 2, c.edge, true);
        ExpectFill(expected,
                   LayoutFill(c.vertical ? kTall : kWide, c.fraction, c.vertical, false, 20));
    }
}

TEST(ProgressGeometry, MarqueeBlockIsClippedToTheBar) {
    // A block of 20 percent is 40 pixels long here.
    struct Case {
        bool vertical;
        double fraction;
        bool showBefore;
        int from, to; // the bar
        bool showAfter;
    } cases[] = {
        {false, 0.0, false, 2, 2, true},     // lead at the left end: no block yet
        {false, 0.1, false, 2, 22, true},    // entering
        {false, 0.5, true, 62, 102, true},   // inside
        {false, 1.1, true, 182, 202, false}, // leaving
        {false, 1.2, true, 202, 202, false}, // gone
        {false, -0.5, false, 2, 2, true},    // below a changed range
        {true, 0.0, false, 202, 202, true},  // at the bottom
        {true, 0.5, true, 102, 142, true},   {true, 1.1, true, 2, 22, false},
        {true, 1.2, true, 2, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fraction << (c.vertical ? " vertical" : ""));
        ExpectFill(Parts(c.vertical, c.showBefore, c.from, c.to, c.showAfter),
                   LayoutFill(c.vertical ? kTall : kWide, c.fraction, c.vertical, true, 20));
    }
}

TEST(ProgressGeometry, MarqueeBlockLengthIsRounded) {
    // (201 * 25 + 50) / 100 = 50, (202 * 25 + 50) / 100 = 51 and (10 * 25 + 50) / 100 = 3.
    struct Case {
        int length, barLeft, barRight;
    } cases[] = {{201, 50, 100}, {202, 50, 101}, {200, 50, 100}, {10, 2, 5}};
    for (const Case& c : cases) {
        const FillLayout fill = LayoutFill(Rect{0, 0, c.length, 10}, 0.5, false, true, 25);
        EXPECT_EQ(c.barLeft, fill.bar.left) << c.length;
        EXPECT_EQ(c.barRight, fill.bar.right) << c.length;
    }
}

TEST(ProgressGeometry, PartsTileTheInnerRectangle) {
    for (const bool vertical : {false, true}) {
        for (const bool marquee : {false, true}) {
            const Rect inner = vertical ? kTall : kWide;
            for (int percent = -50; percent <= 250; ++percent) {
                SCOPED_TRACE(testing::Message()
                             << percent << "% vertical " << vertical << " marquee " << marquee);
                const FillLayout f = LayoutFill(inner, percent / 100.0, vertical, marquee, 20);
                const Rect shown[] = {f.showBefore ? f.before : f.bar, f.bar,
                                      f.showAfter ? f.after : f.bar};
                for (const Rect& r : shown) {
                    EXPECT_TRUE(r.left >= inner.left && r.right <= inner.right &&
                                r.top >= inner.top && r.bottom <= inner.bottom)
                        << r;
                    EXPECT_TRUE(r.Width() >= 0 && r.Height() >= 0) << r;
                }
                // Before, bar and after follow each other without gap or overlap.
                int covered = 0;
                covered += f.showBefore ? (vertical ? f.before.Height() : f.before.Width()) : 0;
                covered += vertical ? f.bar.Height() : f.bar.Width();
                covered += f.showAfter ? (vertical ? f.after.Height() : f.after.Width()) : 0;
                EXPECT_EQ(200, covered);
                if (f.showBefore) {
                    EXPECT_EQ(vertical ? f.before.top : f.before.right,
                              vertical ? f.bar.bottom : f.bar.left);
                }
                if (f.showAfter) {
                    EXPECT_EQ(vertical ? f.after.bottom : f.after.left,
                              vertical ? f.bar.top : f.bar.right);
                }
            }
        }
    }
}

TEST(ProgressGeometry, TextPlacement) {
    struct Case {
        Rect inner;
        int cx, cy;
        bool vertical;
        int alignment;
        int x, y;
    } cases[] = {
        {kWide, 30, 13, false, 0, 4, 4},
        {kWide, 30, 13, false, 1, 87, 4},
        {kWide, 30, 13, false, 2, 169, 4},
        {kWide, 30, 13, false, 7, 87, 4}, // any other value centres
        {kWide, 30, 13, false, -1, 87, 4},
        {Rect{0, 0, 201, 20}, 30, 13, false, 1, 85, 3}, // halves truncate
        {Rect{10, 0, 30, 10}, 31, 13, false, 1, 5, -1}, // ... toward zero
        {kTall, 30, 13, true, 0, 5, 199},
        {kTall, 30, 13, true, 1, 5, 117},
        {kTall, 30, 13, true, 2, 5, 34},
        {kTall, 30, 13, true, 9, 5, 117},
        {Rect{4, 0, 14, 100}, 30, 13, true, 1, 3, 65}, // (10 - 13) / 2 = -1
    };
    for (const Case& c : cases) {
        const Point at = PlaceText(c.inner, c.cx, c.cy, c.vertical, c.alignment);
        EXPECT_EQ(c.x, at.x) << c.inner << " alignment " << c.alignment;
        EXPECT_EQ(c.y, at.y) << c.inner << " alignment " << c.alignment;
    }
}
