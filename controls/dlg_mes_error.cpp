#include "controls/dlg_mes_error.h"

#include "controls/error_text_layout.h"
#include "engine/install_log.h"
#include "res/image_ids.h"
#include "res/resource.h"

namespace {

// The "安装失败" picture, bitmap 166.
constexpr int kTitleWidth = 151;
constexpr int kTitleHeight = 45;

} // namespace

CDlgMesError::CDlgMesError() : win::Dialog(IDD_MES_ERROR) {}

void CDlgMesError::BindControls() {
    m_btnOk.Attach(Hwnd(), IDC_MES_ERROR_OK);
    m_picture.Attach(Hwnd(), IDC_MES_ERROR_PICTURE);
}

BOOL CDlgMesError::OnInitDialog() {
    // The box has no caption bar; its title still tells screen readers (and automation) the code.
    ::SetWindowTextW(Hwnd(), (L"安装失败 错误代码：" + m_strError).c_str());
    ::SetWindowPos(Hwnd(), nullptr, 0, 0, 407, 299, SWP_NOZORDER | SWP_NOMOVE);
    CenterWindow();
    m_btnOk.SetBitmap(IDB_OK);
    m_btnOk.SetCaption(L"确认");
    m_btnOk.Move(150, 205, 107, 36);
    m_picture.LoadPicture(::GetModuleHandleW(nullptr), IDB_ERROR_TITLE, L"");
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    m_picture.Move((client.right - kTitleWidth) / 2, 53, kTitleWidth, kTitleHeight);
    // Characters 15 pixels high: a Chinese glyph is then about 13 pixels tall whichever face the
    // font mapper takes when the maker's face is not installed.
    m_fontText.Reset(::CreateFontW(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   FF_SWISS, L"方正兰亭黑_GBK"));
    return TRUE;
}

bool CDlgMesError::OnCommand(int id, int code, HWND) {
    if (id == IDC_MES_ERROR_OK && code == BN_CLICKED) {
        EndDialog(IDOK);
        return true;
    }
    return false;
}

INT_PTR CDlgMesError::HandleMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    switch (message) {
    case WM_ERASEBKGND:
        // WM_PAINT paints the whole ground: erasing it grey first would flash.
        ::SetWindowLongPtrW(Hwnd(), DWLP_MSGRESULT, TRUE);
        handled = true;
        return TRUE;
    case WM_PAINT: {
        win::PaintScope paint(Hwnd());
        Paint(paint.Get());
        handled = true;
        return TRUE;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        handled = true;
        return TRUE;
    default:
        handled = false;
        return FALSE;
    }
}

void CDlgMesError::Paint(HDC dc) {
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    win::Brush white(::CreateSolidBrush(RGB(255, 255, 255)));
    ::FillRect(dc, &client, white.Get());
    win::DrawOutline(dc, client, 2, RGB(51, 51, 51));

    // Black text drawn opaque on white: the device context's defaults.
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::SetBkMode(dc, OPAQUE);
    win::ScopedSelect font(dc, m_fontText.Get());
    const controls::ErrorTextLayout layout = controls::LayoutErrorText(m_strError);
    for (const controls::TextLine& line : layout.lines)
        ::TextOutW(dc, line.x, line.y, line.text.c_str(), static_cast<int>(line.text.size()));
    if (layout.moveButton)
        m_btnOk.Move(150, layout.buttonY, 107, 36);
}

void ShowErrorDialog(const std::wstring& code, HWND owner) {
    CDlgMesError dialog;
    dialog.m_strError = code;
    dialog.DoModal(owner);
}
