#include "win/gdi.h"

namespace win {

void DrawOutline(HDC dc, const RECT& rect, int width, COLORREF colour) {
    Pen pen(::CreatePen(PS_SOLID, width, colour));
    ScopedSelect select(dc, pen.Get());
    ::MoveToEx(dc, rect.left, rect.top, nullptr);
    ::LineTo(dc, rect.right, rect.top);
    ::LineTo(dc, rect.right, rect.bottom);
    ::LineTo(dc, rect.left, rect.bottom);
    ::LineTo(dc, rect.left, rect.top);
}

} // namespace win
