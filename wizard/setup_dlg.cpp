#include "wizard/setup_dlg.h"

#include "res/image_ids.h"
#include "res/resource.h"
#include "controls/dlg_mes_error.h"
#include "job/exit_codes.h"
#include "job/install_job.h"
#include "wizard/about_dlg.h"
#include "wizard/wizard_rules.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kAnimationTimer = 129;

// The page ground and the text of the page pictures.
constexpr COLORREF kPageGrey = RGB(230, 230, 230);
constexpr COLORREF kTextGrey = RGB(51, 51, 51);
constexpr UINT kAnimationIntervalMs = 30;

// One row of buttons, the same on every page: the finish button takes the next button's place.
constexpr wizard::ButtonSlot kBackSlot = wizard::kButtonRow[0];
constexpr wizard::ButtonSlot kNextSlot = wizard::kButtonRow[1];
constexpr wizard::ButtonSlot kCancelSlot = wizard::kButtonRow[2];

// Ticks left of the empty bar between two runs of the animation.
int g_animationPause = 0;

void Show(HWND window, bool visible) {
    ::ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
}

} // namespace

CSetupDlg::CSetupDlg() : win::Dialog(IDD_SETUP) {
    m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
}

CSetupDlg::~CSetupDlg() {
    engine::SetJobObserver(nullptr);
}

void CSetupDlg::SetPreselection(const std::wstring& model, const std::wstring& port) {
    m_preselectModel = model;
    m_preselectPort = port;
}

int CSetupDlg::ExitCode() const {
    if (m_jobResult == 1)
        return job::kExitSuccess;
    if (m_jobResult == 0)
        return m_failureCode == L"1" ? job::kExitDistributionUnreadable : job::kExitInstallFailed;
    return m_failureCode == L"1" ? job::kExitDistributionUnreadable : job::kExitCancelled;
}

void CSetupDlg::OnFailure(const std::wstring& code) {
    m_failureCode = code;
    ShowErrorDialog(code, ::GetCurrentThreadId() == m_uiThread ? Hwnd() : nullptr);
}

void CSetupDlg::BindControls() {
    m_picTip1.Attach(Hwnd(), IDC_TIP1);
    m_picTip2.Attach(Hwnd(), IDC_TIP2);
    m_btnBack.Attach(Hwnd(), IDC_BACK);
    m_btnNext.Attach(Hwnd(), IDC_NEXT);
    m_btnCancel.Attach(Hwnd(), IDC_CANCEL_SETUP);
    m_btnFinish.Attach(Hwnd(), IDC_FINISH);
    m_listPort = Item(IDC_PORT_LIST);
    m_progress.Attach(Hwnd(), IDC_PROGRESS);
    m_picBanner.Attach(Hwnd(), IDC_BANNER);
    m_picLogo.Attach(Hwnd(), IDC_LOGO);
    m_listModel = Item(IDC_MODEL_LIST);
}

BOOL CSetupDlg::OnInitDialog() {
    ::SetPropW(Hwnd(), kWizardWindowProperty, Hwnd());
    m_uiThread = ::GetCurrentThreadId();
    engine::SetJobObserver(this);
    wchar_t about[64] = L"";
    if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 64) > 0) {
        HMENU menu = ::GetSystemMenu(Hwnd(), FALSE);
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
    ::SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    CenterWindow(500, 400);

    m_fontLabel.Reset(::CreateFontW(18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                    FF_SWISS, L"方正兰亭黑_GBK"));
    ::SendMessageW(m_picTip1.Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(m_fontLabel.Get()), TRUE);
    ::SendMessageW(m_picTip2.Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(m_fontLabel.Get()), TRUE);
    {
        // 10 points on the screen, as a point-size font without a device context is made.
        win::WindowDC screen(nullptr);
        LOGFONTW font{};
        font.lfHeight = -::MulDiv(10, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 72);
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfQuality = ANTIALIASED_QUALITY;
        wcscpy_s(font.lfFaceName, L"方正兰亭黑_GBK");
        m_fontList.Reset(::CreateFontIndirectW(&font));
    }
    // Both lists in one face and size.
    ::SendMessageW(m_listModel, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontList.Get()), TRUE);

    m_btnBack.SetCaption(L"上一步");
    m_btnNext.SetCaption(L"下一步");
    m_btnCancel.SetCaption(L"取消");
    m_btnFinish.SetCaption(L"完成");

    ShowModelPage(TRUE);
    if (Hwnd() == nullptr || !::IsWindow(Hwnd()))
        return TRUE; // the catalogue could not be opened: the wizard is closing
    m_btnBack.Show(false);

    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    m_picBanner.Move(client.right - 138, 20, 118, 39);
    m_picBanner.LoadTypedResource(IDP_BANNER, L"PNG");
    m_picLogo.Move(20, 10, 150, 57);
    m_picLogo.LoadTypedResource(IDP_LOGO, L"PNG");

    ::SetWindowTextW(Hwnd(), L"Velmora科技驱动安装程序");
    return TRUE;
}

void CSetupDlg::Place(CMyButton& button, int bitmap, const wizard::ButtonSlot& slot) {
    if (bitmap != 0)
        button.SetBitmap(bitmap);
    button.Move(slot.x, slot.y, slot.width, slot.height);
}

void CSetupDlg::Place(CPictureCtrl& picture, int bitmap, int x, int y, int width, int height) {
    picture.Move(x, y, width, height);
    picture.LoadPicture(::GetModuleHandleW(nullptr), bitmap, L"");
}

void CSetupDlg::ShowModelPage(BOOL show) {
    if (show) {
        m_nPage = 1;
        // The heading's last rows are ground: the picture ends where the list begins (y 130), so
        // the two do not overlap.
        Place(m_picTip2, IDB_MODEL_TITLE, 52, 95, 130, 35);
        m_picTip2.Show(true);
        FillModelList();
        Place(m_btnBack, IDB_BACK, kBackSlot);
        Place(m_btnNext, IDB_NEXT, kNextSlot);
        m_btnNext.Show(true);
        Place(m_btnCancel, IDB_CANCEL, kCancelSlot);
        m_btnCancel.Show(true);
        ::MoveWindow(m_listModel, 58, 130, 350, 130, FALSE);
        Show(m_listModel, true);
    } else {
        m_picTip1.Show(false);
        m_picTip2.Show(false);
        m_btnBack.Show(false);
        m_btnNext.Show(false);
        m_btnCancel.Show(false);
        Show(m_listModel, false);
        TakeModel();
    }
}

void CSetupDlg::ShowPortPage(BOOL show) {
    if (show) {
        m_nPage = 2;
        Place(m_btnBack, 0, kBackSlot);
        m_btnBack.Show(true);
        Place(m_btnNext, IDB_NEXT, kNextSlot);
        m_btnNext.Show(true);
        Place(m_btnCancel, 0, kCancelSlot);
        m_btnCancel.Show(true);
        if (FillPortList())
            Place(m_picTip1, IDB_PORT_FOUND, 35, 107, 420, 50);
        else
            Place(m_picTip1, IDB_PORT_NOT_FOUND, 35, 100, 419, 57);
        m_picTip1.Show(true);
        ::SendMessageW(m_listPort, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontList.Get()), TRUE);
        ::MoveWindow(m_listPort, 43, 157, 350, 120, FALSE);
        Show(m_listPort, true);
    } else {
        m_btnBack.Show(false);
        m_btnNext.Show(false);
        m_btnCancel.Show(false);
        m_picTip1.Show(false);
        Show(m_listPort, false);
        const LRESULT row = ::SendMessageW(m_listPort, LB_GETCURSEL, 0, 0);
        if (row != LB_ERR)
            m_strPort = win::ListBoxText(m_listPort, row);
    }
}

void CSetupDlg::ShowConfirmPage(BOOL show) {
    if (show) {
        m_nPage = 3;
        Place(m_btnBack, 0, kBackSlot);
        m_btnBack.Show(true);
        Place(m_btnFinish, IDB_FINISH, kNextSlot);
        m_btnFinish.Show(true);
        Place(m_btnCancel, 0, kCancelSlot);
        m_btnCancel.Show(true);
        Place(m_picTip1, IDB_CONFIRM_LABELS, 46, 102, 45, 51);
        m_picTip1.Show(true);
        Place(m_picTip2, IDB_CONFIRM_NOTE, 41, 165, 400, 50);
        m_picTip2.Show(true);
    } else {
        m_btnBack.Show(false);
        m_btnFinish.Show(false);
        m_btnCancel.Show(false);
        m_picTip1.Show(false);
        m_picTip2.Show(false);
    }
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
}

void CSetupDlg::ShowInstallPage(BOOL show) {
    if (show) {
        m_nPage = 4;
        m_progress.Move(50, 180, 400, 25);
        m_progress.Show(true);
        Place(m_picTip1, IDB_INSTALLING, 50, 150, 125, 25);
        m_picTip1.Show(true);
        StartInstall();
    } else {
        m_progress.Show(false);
        m_picTip1.Show(false);
    }
}

void CSetupDlg::SwitchPage(int target, int current) {
    // Only one install job, and nothing moves the wizard away from it while it runs.
    if (current == 4 || m_bInstalling)
        return;
    // Without a model or a port there is nothing to install: the page stays and says why.
    if (target == current + 1 && !CanLeaveForward(current))
        return;
    switch (current) {
    case 1:
        ShowModelPage(FALSE);
        break;
    case 2:
        ShowPortPage(FALSE);
        break;
    case 3:
        ShowConfirmPage(FALSE);
        break;
    case 4:
        ShowInstallPage(FALSE);
        break;
    default:
        break;
    }
    switch (target) {
    case 1:
        ShowModelPage(TRUE);
        break;
    case 2:
        ShowPortPage(TRUE);
        break;
    case 3:
        ShowConfirmPage(TRUE);
        break;
    case 4:
        ShowInstallPage(TRUE);
        break;
    default:
        break;
    }
}

bool CSetupDlg::CanLeaveForward(int page) {
    HWND list = page == 1 ? m_listModel : page == 2 ? m_listPort : nullptr;
    if (list == nullptr)
        return true;
    const LRESULT rows = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    const bool selected = ::SendMessageW(list, LB_GETCURSEL, 0, 0) != LB_ERR;
    const std::wstring refusal =
        wizard::NextPageRefusal(page, rows == LB_ERR ? 0 : static_cast<long>(rows), selected);
    if (refusal.empty())
        return true;
    ::MessageBoxW(Hwnd(), refusal.c_str(), L"安装提示",
                  rows > 0 ? MB_ICONINFORMATION : MB_ICONWARNING);
    return false;
}

bool CSetupDlg::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_BACK:
        SwitchPage(m_nPage - 1, m_nPage);
        return true;
    case IDC_NEXT:
    case IDC_FINISH:
        SwitchPage(m_nPage + 1, m_nPage);
        return true;
    case IDC_CANCEL_SETUP:
        OnCancelButton();
        return true;
    default:
        return false;
    }
}

void CSetupDlg::OnCancelButton() {
    if (m_dlgClose.DoModal(Hwnd()) == IDOK)
        ::SendMessageW(Hwnd(), WM_CLOSE, 0, 0);
}

bool CSetupDlg::PreTranslateMessage(const MSG& message) {
    // A held key repeats (lParam bit 30: the key was already down): one press, one page.
    const bool repeated = (message.lParam & (1L << 30)) != 0;
    if (message.message == WM_SYSKEYDOWN && message.wParam == 'N') {
        if (!repeated)
            SwitchPage(m_nPage + 1, m_nPage);
        return true;
    }
    if (message.message == WM_SYSKEYDOWN && message.wParam == 'B') {
        if (m_nPage != 1 && !repeated)
            SwitchPage(m_nPage - 1, m_nPage);
        return true;
    }
    if (message.message == WM_KEYDOWN &&
        (message.wParam == VK_ESCAPE || message.wParam == VK_RETURN))
        return true;
    return false;
}

void CSetupDlg::OnInstallDone(LPARAM installed) {
    ::KillTimer(Hwnd(), kAnimationTimer);
    ::SendMessageW(m_progress.Hwnd(), PBM_SETMARQUEE, 0, 0);
    ::SendMessageW(m_progress.Hwnd(), PBM_SETPOS, 0, 0);
    m_bInstalling = false;
    m_jobResult = installed != 0 ? 1 : 0;
    if (installed != 0)
        ::MessageBoxW(Hwnd(), L"驱动安装成功", L"Velmora科技有限公司", MB_SYSTEMMODAL);
    EndDialog(1);
}

void CSetupDlg::OnTimer(UINT_PTR id) {
    wizard::AnimationState state;
    state.pause = g_animationPause;
    if (state.pause > 0) {
        wizard::AnimationTick(state);
        g_animationPause = state.pause;
        ::RedrawWindow(m_progress.Hwnd(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return;
    }
    if (id != kAnimationTimer)
        return;
    state.position = static_cast<int>(::SendMessageW(m_progress.Hwnd(), PBM_GETPOS, 0, 0));
    wizard::AnimationTick(state);
    g_animationPause = state.pause;
    ::SendMessageW(m_progress.Hwnd(), PBM_SETPOS, static_cast<WPARAM>(state.position), 0);
}

void CSetupDlg::PaintBackground(HDC dc) {
    // The whole client area, to its last column and row: strips left unpainted show black.
    RECT area{};
    ::GetClientRect(Hwnd(), &area);
    win::Brush grey(::CreateSolidBrush(kPageGrey));
    ::FillRect(dc, &area, grey.Get());
    ::SetBkMode(dc, TRANSPARENT);
    if (m_nPage == 3) {
        // The model and port in the dark grey and the smoothed face of the labels beside them.
        ::SetTextColor(dc, kTextGrey);
        win::ScopedSelect font(dc, m_fontLabel.Get());
        const std::wstring model = wizard::ModelCaption(m_strModel);
        ::TextOutW(dc, 93, 103, model.c_str(), static_cast<int>(model.size()));
        ::TextOutW(dc, 95, 130, m_strPort.c_str(), static_cast<int>(m_strPort.size()));
    }
}

bool CSetupDlg::OnSysCommand(WPARAM command) {
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal(Hwnd());
        return true;
    }
    // The job may be in the middle of a spooler registration: the window stays until it reports.
    if ((command & 0xFFF0) == SC_CLOSE && m_bInstalling) {
        ::MessageBeep(MB_ICONWARNING);
        return true;
    }
    return false;
}

INT_PTR CSetupDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    switch (message) {
    case WM_INSTALL_DONE:
        OnInstallDone(lParam);
        ::SetWindowLongPtrW(Hwnd(), DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_TIMER:
        OnTimer(wParam);
        return TRUE;
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        ::SetWindowLongPtrW(Hwnd(), DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_PAINT:
        if (::IsIconic(Hwnd())) {
            win::PaintScope paint(Hwnd());
            ::SendMessageW(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Get()), 0);
            RECT client{};
            ::GetClientRect(Hwnd(), &client);
            const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
            const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
            ::DrawIcon(paint.Get(), x, y, m_hIcon);
            return TRUE;
        }
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_LBUTTONDOWN:
        // A press on the background or a picture drags the window like its caption.
        ::SendMessageW(Hwnd(), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        break;
    case WM_SYSCOMMAND:
        if (OnSysCommand(wParam))
            return TRUE;
        break;
    case WM_CLOSE:
        if (!m_bInstalling)
            EndDialog(IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        ::RemovePropW(Hwnd(), kWizardWindowProperty);
        handled = false;
        return FALSE;
    default:
        break;
    }
    (void)lParam;
    handled = false;
    return FALSE;
}
