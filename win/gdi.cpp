#include "win/gdi.h"

namespace win {

void DrawOutline(HDC dc, const RECT& rect, int width, COLORREF colour) {
    Brush brush(::CreateSolidBrush(colour));
    RECT ring = rect;
    for (int i = 0; i < width; ++i) {
        ::FrameRect(dc, &ring, brush.Get());
        ::InflateRect(&ring, -1, -1);
    }
}

} // namespace win
