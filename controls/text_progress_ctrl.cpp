#include "controls/text_progress_ctrl.h"

#include "controls/grid_mem_dc.h"

#include <optional>
#include <string>

using controls::FillLayout;
using controls::ProgressState;

int CTextProgressCtrl::s_nMarqueeDirection = 1;

namespace {

constexpr int kUnpaintedBottomRows = 5;

COLORREF Resolve(COLORREF colour, int systemColour) {
    return colour == CLR_DEFAULT ? ::GetSysColor(systemColour) : colour;
}

RECT ToRECT(const controls::Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

HFONT WindowFont(HWND window) {
    return reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace

LRESULT CTextProgressCtrl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case PBM_SETRANGE:
        return SetRange(LOWORD(lParam), HIWORD(lParam));
    case PBM_SETPOS:
        return SetPos(static_cast<int>(wParam));
    case PBM_DELTAPOS:
        return SetPos(static_cast<long long>(m_nPos) + static_cast<int>(wParam));
    case PBM_SETSTEP: {
        const int old = m_nStep;
        m_nStep = static_cast<int>(wParam);
        return old;
    }
    case PBM_STEPIT:
        return SetPos(controls::WrapStep(State()));
    case PBM_SETRANGE32:
        return SetRange(static_cast<int>(wParam), static_cast<int>(lParam));
    case PBM_GETRANGE:
        if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
            range->iLow = m_nMin;
            range->iHigh = m_nMax;
        }
        return wParam != 0 ? m_nMin : m_nMax;
    case PBM_GETPOS:
        return m_nPos;
    case PBM_SETBARCOLOR:
        return SetColour(m_crBarClr, lParam);
    case PBM_SETMARQUEE:
        SetMarquee(wParam != 0, static_cast<UINT>(lParam));
        return static_cast<LRESULT>(wParam);
    case PBM_GETBKCOLOR:
        return Resolve(m_crBgClr, COLOR_BTNFACE);
    case PBM_GETBARCOLOR:
        return Resolve(m_crBarClr, COLOR_HIGHLIGHT);
    case PBM_SETBKCOLOR:
        return SetColour(m_crBgClr, lParam);
    case TPB_SETTEXTCOLOR:
        return SetColour(m_crTextClr, lParam);
    case TPB_GETTEXTCOLOR:
        return Resolve(m_crTextClr, COLOR_WINDOWTEXT);
    case TPB_SETBARTEXTCOLOR:
        return SetColour(m_crBarTextClr, lParam);
    case TPB_GETBARTEXTCOLOR:
        return Resolve(m_crBarTextClr, COLOR_WINDOW);
    case TPB_SETSHOWTEXT: {
        const BOOL old = m_bShowPercent;
        m_bShowPercent = static_cast<BOOL>(wParam);
        Redraw();
        return old;
    }
    case TPB_SETTEXTALIGN: {
        const int old = m_nTextAlign;
        m_nTextAlign = static_cast<int>(wParam);
        Redraw();
        return old;
    }
    case TPB_SETMARQUEESIZE:
        m_nMarqueeSize = static_cast<int>(wParam);
        Redraw();
        return static_cast<LRESULT>(wParam);
    case WM_ERASEBKGND:
        return TRUE; // the paint covers everything it draws, off screen
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kMarqueeTimer)
            OnMarqueeTimer();
        return 0;
    default:
        return Control::HandleMessage(message, wParam, lParam);
    }
}

ProgressState CTextProgressCtrl::State() const {
    ProgressState state;
    state.minimum = m_nMin;
    state.maximum = m_nMax;
    state.position = m_nPos;
    state.step = m_nStep;
    state.marqueeSize = m_nMarqueeSize;
    state.marquee = (::GetWindowLongW(Hwnd(), GWL_STYLE) & PBS_MARQUEE) != 0;
    return state;
}

LRESULT CTextProgressCtrl::SetPos(long long position) {
    const int old = m_nPos;
    m_nPos = controls::ClampPosition(State(), position);
    Redraw();
    return old;
}

LRESULT CTextProgressCtrl::SetRange(int minimum, int maximum) {
    const LRESULT old = MAKELONG(static_cast<WORD>(m_nMin), static_cast<WORD>(m_nMax));
    m_nMin = minimum;
    m_nMax = maximum;
    return old;
}

LRESULT CTextProgressCtrl::SetColour(COLORREF& field, LPARAM colour) {
    const COLORREF old = field;
    field = static_cast<COLORREF>(colour);
    Redraw();
    return static_cast<LRESULT>(old);
}

void CTextProgressCtrl::SetMarquee(bool on, UINT interval) {
    m_bShowPercent = FALSE;
    const LONG style = ::GetWindowLongW(Hwnd(), GWL_STYLE);
    if (on) {
        ::SetWindowLongW(Hwnd(), GWL_STYLE, style | PBS_MARQUEE);
        ::SetTimer(Hwnd(), kMarqueeTimer, interval, nullptr);
    } else {
        ::KillTimer(Hwnd(), kMarqueeTimer);
        ::SetWindowLongW(Hwnd(), GWL_STYLE, style & ~PBS_MARQUEE);
    }
    Redraw();
}

void CTextProgressCtrl::OnMarqueeTimer() {
    ProgressState state = State();
    state.position = static_cast<int>(::SendMessageW(Hwnd(), PBM_GETPOS, 0, 0));
    s_nMarqueeDirection = controls::NextMarqueeDirection(state, s_nMarqueeDirection);
    ::SendMessageW(Hwnd(), PBM_SETPOS, static_cast<WPARAM>(state.position + s_nMarqueeDirection),
                   0);
}

void CTextProgressCtrl::Redraw() const {
    ::RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CTextProgressCtrl::OnPaint() {
    // Begun and ended even for an empty range, which draws nothing: the request is answered.
    win::PaintScope paint(Hwnd());
    if (paint.Get() != nullptr)
        Paint(paint.Get());
}

void CTextProgressCtrl::Paint(HDC target) {
    if (m_nMin >= m_nMax || target == nullptr)
        return;
    CGridMemDC memory(target);
    HDC dc = memory.Get();
    if (dc == nullptr)
        return;
    const COLORREF bar = Resolve(m_crBarClr, COLOR_HIGHLIGHT);
    const COLORREF background = Resolve(m_crBgClr, COLOR_BTNFACE);

    HFONT font = WindowFont(Hwnd());
    if (font == nullptr)
        font = WindowFont(::GetParent(Hwnd()));
    std::optional<win::ScopedSelect> selectFont;
    if (font != nullptr)
        selectFont.emplace(dc, font);

    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    client.bottom -= kUnpaintedBottomRows;
    ::DrawEdge(dc, &client, EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_FLAT);
    const controls::Rect inner{client.left, client.top, client.right, client.bottom};

    const double fraction = controls::ProgressFraction(m_nPos, m_nMin, m_nMax);
    const LONG style = ::GetWindowLongW(Hwnd(), GWL_STYLE);
    const bool vertical = (style & PBS_VERTICAL) != 0;
    if (vertical && !m_fontVertical)
        MakeVerticalFont(dc);

    const FillLayout fill =
        controls::LayoutFill(inner, fraction, vertical, (style & PBS_MARQUEE) != 0, m_nMarqueeSize);
    if (fill.showBefore)
        win::FillSolidRect(dc, ToRECT(fill.before), background);
    win::FillSolidRect(dc, ToRECT(fill.bar), bar);
    if (fill.showAfter)
        win::FillSolidRect(dc, ToRECT(fill.after), background);

    const std::wstring text = m_bShowPercent
                                  ? std::to_wstring(controls::PercentDone(fraction)) + L"%"
                                  : WindowText(Hwnd());
    if (!text.empty())
        PaintText(dc, text, inner, fill, vertical);
}

void CTextProgressCtrl::PaintText(HDC dc, const std::wstring& text, const controls::Rect& inner,
                                  const FillLayout& fill, bool vertical) {
    HGDIOBJ replaced = nullptr;
    if (vertical && m_fontVertical)
        replaced = ::SelectObject(dc, m_fontVertical.Get());
    const int length = static_cast<int>(text.size());
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), length, &extent);
    const controls::Point at =
        controls::PlaceText(inner, extent.cx, extent.cy, vertical, m_nTextAlign);

    // Drawn once per part, clipped to it: one colour over the bar, another over the rest.
    const RECT innerRect = ToRECT(inner);
    const struct {
        bool shown;
        controls::Rect area;
        COLORREF colour;
    } parts[] = {
        {fill.showBefore, fill.before, Resolve(m_crTextClr, COLOR_WINDOWTEXT)},
        {true, fill.bar, Resolve(m_crBarTextClr, COLOR_WINDOW)},
        {fill.showAfter, fill.after, Resolve(m_crTextClr, COLOR_WINDOWTEXT)},
    };
    ::SetBkMode(dc, TRANSPARENT);
    for (const auto& part : parts) {
        if (!part.shown)
            continue;
        RECT clip = ToRECT(part.area);
        ::LPtoDP(dc, reinterpret_cast<POINT*>(&clip), 2); // clip regions are in device units
        win::Region region(::CreateRectRgnIndirect(&clip));
        ::SelectClipRgn(dc, region.Get());
        ::SetTextColor(dc, part.colour);
        ::ExtTextOutW(dc, at.x, at.y, ETO_CLIPPED, &innerRect, text.c_str(),
                      static_cast<UINT>(length), nullptr);
    }
    ::SelectClipRgn(dc, nullptr);
    if (replaced != nullptr)
        ::SelectObject(dc, replaced);
}

void CTextProgressCtrl::MakeVerticalFont(HDC dc) {
    m_fontVertical.Reset();
    // The control's own font; without one, the font the paint has selected.
    HGDIOBJ source = WindowFont(Hwnd());
    if (source == nullptr)
        source = ::GetCurrentObject(dc, OBJ_FONT);
    LOGFONTW logFont{};
    if (source == nullptr || ::GetObjectW(source, sizeof(logFont), &logFont) == 0)
        return;
    logFont.lfEscapement = 900;
    logFont.lfOrientation = 900;
    m_fontVertical.Reset(::CreateFontIndirectW(&logFont));
}
