// Arithmetic of the text progress bar: position rules, how much of the bar is filled, where the
// marquee block lies and where the text goes. No Windows calls.
#pragma once

namespace controls {

// A rectangle in the control's coordinates: left and top inside, right and bottom outside.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

inline bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const Rect& a, const Rect& b) {
    return !(a == b);
}

struct Point {
    int x = 0;
    int y = 0;
};

// Range and position as the control keeps them.
struct ProgressState {
    int minimum = 0;
    int maximum = 100;
    int position = 0;
    int step = 10;
    int marqueeSize = 20; // length of the marquee block, percent of the bar's length
    bool marquee = false;
};

// (position - minimum) / (maximum - minimum). Not meaningful for an empty range.
double ProgressFraction(int position, int minimum, int maximum);

// How far a marquee position may run past the maximum so that the block leaves the bar:
// ((marqueeSize + 100) * maximum + 0.5) / 100, truncated. 120 for the defaults.
int MarqueeLimit(int marqueeSize, int maximum);

// The position that a request for `requested` leaves: at least the minimum, and at most the
// maximum (the marquee limit in marquee mode).
int ClampPosition(const ProgressState& state, long long requested);

// The position a step leads to before clamping: position + step, wrapped around the range when
// it leaves it on either side.
long long WrapStep(const ProgressState& state);

// The direction of the next marquee tick: turns down at the limit and up at the minimum.
int NextMarqueeDirection(const ProgressState& state, int direction);

// The percentage shown as text: fraction * 100, rounded half up.
int PercentDone(double fraction);

// The three parts the inner rectangle is filled with: the background before the bar (on the
// minimum side; only a marquee has one), the bar, and the background after it.
struct FillLayout {
    bool showBefore = false;
    Rect before;
    Rect bar;
    bool showAfter = true;
    Rect after;
};

// Horizontal bars grow from left to right, vertical bars from bottom to top. Every rectangle
// lies within `inner`.
FillLayout LayoutFill(const Rect& inner, double fraction, bool vertical, bool marquee,
                      int marqueeSize);

enum class TextAlign { Start = 0, Centre = 1, End = 2 };

// Where the text of size (cx, cy), measured along its own direction, starts. A vertical text
// runs upwards from the point, its glyphs' tops facing left. Alignments other than 0 and 2
// centre.
Point PlaceText(const Rect& inner, int cx, int cy, bool vertical, int alignment);

} // namespace controls
