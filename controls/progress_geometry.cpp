#include "controls/progress_geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace controls {

namespace {

// The value rounded to double precision. A 32-bit x87 build keeps intermediate results in 80-bit
// registers, where 200 * 1.2 is 239.99...; storing through a volatile double drops the extra
// bits, so every build truncates what double arithmetic gives.
double AsDouble(double value) {
    volatile double stored = value;
    return stored;
}

// Truncation toward zero, held to the range of int (and 0 for NaN).
int TruncateToInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

int SaturateToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Keeps every edge of `r` within `inner`, so that a position outside the range (the range may
// change without the position) never paints over the border.
Rect ClipTo(const Rect& r, const Rect& inner) {
    const int right = std::max(inner.left, inner.right);
    const int bottom = std::max(inner.top, inner.bottom);
    return Rect{std::clamp(r.left, inner.left, right), std::clamp(r.top, inner.top, bottom),
                std::clamp(r.right, inner.left, right), std::clamp(r.bottom, inner.top, bottom)};
}

long long Width(const Rect& r) {
    return static_cast<long long>(r.right) - r.left;
}

long long Height(const Rect& r) {
    return static_cast<long long>(r.bottom) - r.top;
}

} // namespace

double ProgressFraction(int position, int minimum, int maximum) {
    return AsDouble((static_cast<double>(position) - minimum) /
                    (static_cast<double>(maximum) - static_cast<double>(minimum)));
}

int MarqueeLimit(int marqueeSize, int maximum) {
    const double scaled = AsDouble((static_cast<double>(marqueeSize) + 100.0) * maximum);
    return TruncateToInt(AsDouble(AsDouble(scaled + 0.5) / 100.0));
}

int ClampPosition(const ProgressState& state, long long requested) {
    long long position = requested;
    if (position < state.minimum)
        position = state.minimum;
    if (state.marquee) {
        const int limit = MarqueeLimit(state.marqueeSize, state.maximum);
        if (position > limit)
            position = limit;
    } else if (position > state.maximum) {
        position = state.maximum;
    }
    return SaturateToInt(position);
}

long long WrapStep(const ProgressState& state) {
    long long next = static_cast<long long>(state.position) + state.step;
    if (next < state.minimum)
        next = state.maximum - (state.minimum - next);
    else if (next > state.maximum)
        next = state.minimum + (next - state.maximum);
    return next;
}

int NextMarqueeDirection(const ProgressState& state, int direction) {
    if (direction == 1 && state.position >= MarqueeLimit(state.marqueeSize, state.maximum))
        return -1;
    if (direction == -1 && state.position <= state.minimum)
        return 1;
    return direction;
}

int PercentDone(double fraction) {
    return TruncateToInt(AsDouble(AsDouble(fraction * 100.0) + 0.5));
}

FillLayout LayoutFill(const Rect& inner, double fraction, bool vertical, bool marquee,
                      int marqueeSize) {
    FillLayout fill;
    fill.before = fill.bar = fill.after = inner;
    const long long length = vertical ? Height(inner) : Width(inner);
    const int done = TruncateToInt(AsDouble(static_cast<double>(length) * fraction));
    if (!marquee) {
        fill.showBefore = false;
        if (vertical) {
            const int edge = SaturateToInt(static_cast<long long>(inner.bottom) - done);
            fill.bar.top = fill.after.bottom = edge;
        } else {
            const int edge = SaturateToInt(static_cast<long long>(inner.left) + done);
            fill.bar.right = fill.after.left = edge;
        }
    } else {
        const int block = SaturateToInt((length * marqueeSize + 50) / 100);
        fill.showBefore = true;
        if (vertical) {
            const int lead = SaturateToInt(static_cast<long long>(inner.bottom) - done);
            fill.bar.top = lead;
            fill.bar.bottom = SaturateToInt(static_cast<long long>(lead) + block);
            if (fill.bar.bottom < inner.bottom) {
                fill.before.top = fill.bar.bottom;
            } else {
                fill.showBefore = false;
                fill.bar.bottom = inner.bottom;
            }
            if (lead > inner.top) {
                fill.after.bottom = lead;
            } else {
                fill.showAfter = false;
                fill.bar.top = inner.top;
            }
        } else {
            const int lead = SaturateToInt(static_cast<long long>(inner.left) + done);
            fill.bar.right = lead;
            fill.bar.left = SaturateToInt(static_cast<long long>(lead) - block);
            if (fill.bar.left > inner.left) {
                fill.before.right = fill.bar.left;
            } else {
                fill.showBefore = false;
                fill.bar.left = inner.left;
            }
            if (lead < inner.right) {
                fill.after.left = lead;
            } else {
                fill.showAfter = false;
                fill.bar.right = inner.right;
            }
        }
    }
    fill.before = ClipTo(fill.before, inner);
    fill.bar = ClipTo(fill.bar, inner);
    fill.after = ClipTo(fill.after, inner);
    return fill;
}

Point PlaceText(const Rect& inner, int cx, int cy, bool vertical, int alignment) {
    long long x = 0;
    long long y = 0;
    if (!vertical) {
        if (alignment == static_cast<int>(TextAlign::Start))
            x = inner.left + 2LL;
        else if (alignment == static_cast<int>(TextAlign::End))
            x = inner.right - static_cast<long long>(cx) - 3;
        else
            x = inner.left + (Width(inner) - cx) / 2;
        y = inner.top + (Height(inner) - cy) / 2;
    } else {
        if (alignment == static_cast<int>(TextAlign::Start))
            y = inner.bottom - 3LL;
        else if (alignment == static_cast<int>(TextAlign::End))
            y = inner.top + static_cast<long long>(cx) + 2;
        else
            y = inner.top + static_cast<long long>(cx) + (Height(inner) - cx) / 2;
        x = inner.left + (Width(inner) - cy) / 2;
    }
    return Point{SaturateToInt(x), SaturateToInt(y)};
}

} // namespace controls
