// An off-screen device context for one paint: everything is drawn into a bitmap covering the
// target's clip box (less its bottom 5 rows) and copied onto the target in one BitBlt when the
// object is destroyed, so the picture never flickers.
#pragma once

#include "win/gdi.h"

#include <windows.h>

class CGridMemDC {
public:
    // Drawing at the target's logical coordinates lands in the bitmap, which starts filled with
    // the target window's background. A printer target is drawn on directly.
    explicit CGridMemDC(HDC target);
    // Puts the picture onto the target.
    ~CGridMemDC();
    CGridMemDC(const CGridMemDC&) = delete;
    CGridMemDC& operator=(const CGridMemDC&) = delete;

    // The device context to draw into.
    HDC Get() const { return m_bMemDC ? m_hMemDC : m_hTarget; }
    // The area covered, in the target's logical units.
    const RECT& Rect() const { return m_rect; }

private:
    void FillBackground();

    BOOL m_bMemDC = FALSE;
    win::Bitmap m_bitmap;
    HGDIOBJ m_hOldBitmap = nullptr;
    HDC m_hTarget = nullptr;
    RECT m_rect{};
    HDC m_hMemDC = nullptr;
};
