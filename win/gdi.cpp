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

Bitmap CreateTopDownDib(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    return Bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

} // namespace win
