#include "controls/my_button.h"

#include "controls/button_captions.h"
#include "win/common_controls.h"
#include "win/gdi.h"

LRESULT CMyButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
        OnMouseMove();
        break;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        break;
    default:
        break;
    }
    return Control::HandleMessage(message, wParam, lParam);
}

void CMyButton::OnMouseMove() {
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    if (const controls::CaptionBitmaps* bitmaps = controls::FindCaptionBitmaps(m_strCaption))
        m_nBitmap = bitmaps->underMouse;
    Invalidate(false);
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd(), 0};
    if (win::Comctl().TrackMouseEvent != nullptr)
        win::Comctl().TrackMouseEvent(&track);
}

void CMyButton::OnMouseLeave() {
    if (const controls::CaptionBitmaps* bitmaps = controls::FindCaptionBitmaps(m_strCaption))
        m_nBitmap = bitmaps->atRest;
    Invalidate(false);
}

void CMyButton::DrawItem(const DRAWITEMSTRUCT& item) {
    // The bitmap is loaded for each paint and freed at its end; the button keeps no GDI object.
    win::Bitmap bitmap(
        ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(static_cast<WORD>(m_nBitmap))));
    if (!bitmap)
        return; // an unknown number draws nothing rather than a stale picture
    win::MemoryDC memory(item.hDC);
    win::ScopedSelect select(memory.Get(), bitmap.Get());
    ::SetStretchBltMode(memory.Get(), HALFTONE);
    BITMAP info{};
    ::GetObjectW(bitmap.Get(), sizeof(info), &info);

    // The one-pixel grey frame goes onto the bitmap's outer pixels: bitmap and button have the
    // same size.
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    win::Brush frame(::CreateSolidBrush(RGB(128, 128, 128)));
    ::FrameRect(memory.Get(), &client, frame.Get());

    const RECT& r = item.rcItem;
    ::StretchBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.Get(), 0, 0,
                 info.bmWidth, info.bmHeight, SRCCOPY);
}
