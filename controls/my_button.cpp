#include "controls/my_button.h"

#include "controls/button_captions.h"
#include "win/common_controls.h"
#include "win/gdi.h"

LRESULT CMyButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR:
        // Asked before every mouse message: answering it keeps the hand steady, where setting it
        // on mouse moves alone lets the class's arrow show in between.
        if (LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
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

    // The keyboard's button: a dotted mark inside the frame, unless the window hides focus marks
    // until the keyboard is used.
    if ((item.itemState & ODS_FOCUS) != 0 &&
        ((item.itemState & ODS_NOFOCUSRECT) == 0 || m_bMarkFocusAlways)) {
        RECT mark = r;
        ::InflateRect(&mark, -kFocusMarkInset, -kFocusMarkInset);
        ::SetTextColor(item.hDC, RGB(0, 0, 0));
        ::SetBkColor(item.hDC, RGB(255, 255, 255));
        ::DrawFocusRect(item.hDC, &mark);
    }
}
