// The wizard's progress bar: a subclassed "msctls_progress32" window that keeps its own range,
// position and step, paints a flat bar off screen, and shows the percentage done or its window
// text in two colours (one over the bar, one over the background). In marquee mode a block runs
// back and forth, moved by the control's own timer.
#pragma once

#include "controls/progress_geometry.h"
#include "win/gdi.h"
#include "win/window.h"

#include <commctrl.h>

#include <string>

// The control's own messages, beside the standard progress-bar messages it answers.
constexpr UINT TPB_SETTEXTCOLOR = WM_USER + 102;    // lParam: COLORREF; returns the old one
constexpr UINT TPB_GETTEXTCOLOR = WM_USER + 103;    // returns the text colour
constexpr UINT TPB_SETBARTEXTCOLOR = WM_USER + 104; // lParam: COLORREF; returns the old one
constexpr UINT TPB_GETBARTEXTCOLOR = WM_USER + 105; // returns the colour of text over the bar
constexpr UINT TPB_SETSHOWTEXT = WM_USER + 106;     // wParam: TRUE shows the percentage
constexpr UINT TPB_SETTEXTALIGN = WM_USER + 107;    // wParam: 0 start, 1 centre, 2 end
constexpr UINT TPB_SETMARQUEESIZE = WM_USER + 108;  // wParam: block length in percent

class CTextProgressCtrl : public win::Control {
public:
    // The timer that moves the marquee.
    static constexpr UINT_PTR kMarqueeTimer = 1;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT SetPos(long long position);
    LRESULT SetRange(int minimum, int maximum);
    void SetMarquee(bool on, UINT interval);
    void OnMarqueeTimer();
    // Stores a colour and repaints; returns the colour stored before.
    LRESULT SetColour(COLORREF& field, LPARAM colour);
    void Redraw() const;

    void OnPaint();
    void Paint(HDC target);
    void PaintText(HDC dc, const std::wstring& text, const controls::Rect& inner,
                   const controls::FillLayout& fill, bool vertical);
    void MakeVerticalFont(HDC dc);
    controls::ProgressState State() const;

    BOOL m_bShowPercent = TRUE;
    win::Font m_fontVertical;
    COLORREF m_crBarClr = CLR_DEFAULT;
    COLORREF m_crBgClr = CLR_DEFAULT;
    COLORREF m_crTextClr = CLR_DEFAULT;
    COLORREF m_crBarTextClr = CLR_DEFAULT;
    int m_nTextAlign = 1;
    int m_nPos = 0;
    int m_nStep = 10;
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nMarqueeSize = 20;

    // One direction for every marquee of the process: +1 up, -1 down.
    static int s_nMarqueeDirection;
};
