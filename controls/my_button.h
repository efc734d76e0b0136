// The skinned push button: draws a bitmap resource over itself and swaps it for a hover bitmap
// while the mouse is over it, the pair chosen by its caption.
#pragma once

#include "win/window.h"

#include <string>

class CMyButton : public win::Control {
public:
    // Distance of the focus mark from the button's edges.
    static constexpr int kFocusMarkInset = 3;

    // The caption selects the hover and rest bitmaps; the bitmap is the resource drawn now.
    void SetCaption(const std::wstring& caption) { m_strCaption = caption; }
    void SetBitmap(int bitmapId) { m_nBitmap = bitmapId; }
    // The focus mark is shown even where the window hides focus marks until a key is pressed: a
    // box answered by Enter shows from its first moment which button Enter presses.
    void MarkFocusAlways() { m_bMarkFocusAlways = true; }
    const std::wstring& Caption() const { return m_strCaption; }
    int Bitmap() const { return m_nBitmap; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    void OnMouseMove();
    void OnMouseLeave();

    std::wstring m_strCaption;
    int m_nBitmap = 0;
    bool m_bMarkFocusAlways = false;
};
