#include "controls/dlg_is_close.h"

#include "res/image_ids.h"
#include "res/resource.h"
#include "win/gdi.h"

CDlgIsClose::CDlgIsClose() : win::Dialog(IDD_IS_CLOSE) {}

void CDlgIsClose::BindControls() {
    m_btnYes.Attach(Hwnd(), IDC_IS_CLOSE_YES);
    m_btnNo.Attach(Hwnd(), IDC_IS_CLOSE_NO);
    m_picQuestion.Attach(Hwnd(), IDC_IS_CLOSE_QUESTION);
}

BOOL CDlgIsClose::OnInitDialog() {
    ::SetWindowPos(Hwnd(), nullptr, 0, 0, 160, 105, SWP_NOZORDER | SWP_NOMOVE);
    CenterWindow();
    m_btnYes.SetBitmap(IDB_YES);
    m_btnYes.SetCaption(L"是");
    m_btnYes.Move(38, 60, 27, 27);
    m_btnNo.SetCaption(L"否");
    m_btnNo.SetBitmap(IDB_NO);
    m_btnNo.Move(87, 60, 27, 27);
    m_picQuestion.LoadPicture(::GetModuleHandleW(nullptr), IDB_QUIT_QUESTION, L"");
    m_picQuestion.Move(23, 25, 119, 28);
    // The keyboard's answer is "否" until the user moves to "是", and the mark shows which button
    // Enter and Space press from the moment the box opens.
    m_btnYes.MarkFocusAlways();
    m_btnNo.MarkFocusAlways();
    ::SetFocus(m_btnNo.Hwnd());
    return FALSE;
}

bool CDlgIsClose::PreTranslateMessage(const MSG& message) {
    // Enter presses the button that has the focus (the image buttons are not push buttons, so the
    // dialog manager would send IDOK, "quit", whichever had it).
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        const bool yes = ::GetFocus() == m_btnYes.Hwnd();
        EndDialog(yes ? IDOK : IDCANCEL);
        return true;
    }
    return false;
}

bool CDlgIsClose::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED)
        return false;
    if (id == IDC_IS_CLOSE_YES) {
        EndDialog(IDOK);
        return true;
    }
    if (id == IDC_IS_CLOSE_NO) {
        EndDialog(IDCANCEL);
        return true;
    }
    return false;
}

INT_PTR CDlgIsClose::HandleMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    handled = true;
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client{};
        ::GetClientRect(Hwnd(), &client);
        win::Brush white(::CreateSolidBrush(RGB(255, 255, 255)));
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, white.Get());
        ::SetWindowLongPtrW(Hwnd(), DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_PAINT: {
        win::PaintScope paint(Hwnd());
        RECT client{};
        ::GetClientRect(Hwnd(), &client);
        win::DrawOutline(paint.Get(), client, 2, RGB(51, 51, 51));
        return TRUE;
    }
    case WM_PRINTCLIENT: {
        // The same picture into a caller's device context: white ground, then the frame.
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT client{};
        ::GetClientRect(Hwnd(), &client);
        win::Brush white(::CreateSolidBrush(RGB(255, 255, 255)));
        ::FillRect(dc, &client, white.Get());
        win::DrawOutline(dc, client, 2, RGB(51, 51, 51));
        return TRUE;
    }
    default:
        handled = false;
        return FALSE;
    }
}
