#include "controls/grid_mem_dc.h"

namespace {

constexpr ATOM kDialogClassAtom = 32770; // the class of dialog boxes, "#32770"
constexpr int kUnpaintedBottomRows = 5;

} // namespace

CGridMemDC::CGridMemDC(HDC target) : m_hTarget(target) {
    m_bMemDC = ::GetDeviceCaps(target, TECHNOLOGY) != DT_RASPRINTER;
    ::GetClipBox(target, &m_rect);
    if (m_bMemDC) {
        m_hMemDC = ::CreateCompatibleDC(target);
        m_rect.bottom -= kUnpaintedBottomRows;
        ::LPtoDP(target, reinterpret_cast<POINT*>(&m_rect), 2);
        const int width = m_rect.right - m_rect.left;
        const int height = m_rect.bottom - m_rect.top;
        if (width > 0 && height > 0)
            m_bitmap.Reset(::CreateCompatibleBitmap(target, width, height));
        if (m_hMemDC != nullptr && m_bitmap)
            m_hOldBitmap = ::SelectObject(m_hMemDC, m_bitmap.Get());
        if (m_hMemDC != nullptr) {
            ::SetMapMode(m_hMemDC, ::GetMapMode(target));
            SIZE extent{};
            ::GetWindowExtEx(target, &extent);
            ::SetWindowExtEx(m_hMemDC, extent.cx, extent.cy, nullptr);
            ::GetViewportExtEx(target, &extent);
            ::SetViewportExtEx(m_hMemDC, extent.cx, extent.cy, nullptr);
        }
        ::DPtoLP(target, reinterpret_cast<POINT*>(&m_rect), 2);
        if (m_hMemDC != nullptr)
            ::SetWindowOrgEx(m_hMemDC, m_rect.left, m_rect.top, nullptr);
    }
    FillBackground();
}

CGridMemDC::~CGridMemDC() {
    if (m_bMemDC && m_hMemDC != nullptr) {
        const int width = m_rect.right - m_rect.left;
        const int height = m_rect.bottom - m_rect.top;
        // A negative size would mirror the picture; an empty one has nothing to copy.
        if (m_bitmap && width > 0 && height > 0)
            ::BitBlt(m_hTarget, m_rect.left, m_rect.top, width, height, m_hMemDC, m_rect.left,
                     m_rect.top, SRCCOPY);
        if (m_hOldBitmap != nullptr)
            ::SelectObject(m_hMemDC, m_hOldBitmap);
    }
    m_bitmap.Reset();
    if (m_hMemDC != nullptr)
        ::DeleteDC(m_hMemDC);
}

void CGridMemDC::FillBackground() {
    HDC dc = Get();
    if (dc == nullptr)
        return;
    if (HWND window = ::WindowFromDC(m_hTarget)) {
        if (static_cast<ATOM>(::GetClassLongW(window, GCW_ATOM)) == kDialogClassAtom) {
            win::FillSolidRect(dc, m_rect, ::GetSysColor(COLOR_BTNFACE));
            return;
        }
        if (auto brush = reinterpret_cast<HBRUSH>(::GetClassLongPtrW(window, GCLP_HBRBACKGROUND))) {
            ::FillRect(dc, &m_rect, brush);
            return;
        }
    }
    win::FillSolidRect(dc, m_rect, ::GetBkColor(m_hTarget));
}
