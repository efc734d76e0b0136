#include "win/window.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace win {

namespace {

// The control's own window procedure, kept on the window too: a window whose object went while
// another procedure was put over ours still reaches it. Read only then.
constexpr wchar_t kPreviousProcProperty[] = L"win.Control.PreviousProc";

// The dialogs of this thread that are up, and the one message-filter hook that serves them all:
// the modal loops of DialogBox run it for every message before IsDialogMessage.
struct ThreadFilter {
    HHOOK hook = nullptr;
    std::vector<Dialog*> dialogs;
};
thread_local ThreadFilter t_filter;

WNDPROC WindowProcOf(HWND hwnd) {
    return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
}

} // namespace

Control::~Control() {
    Detach();
}

// The window procedure is swapped and the object kept in GWLP_USERDATA, which the system's
// control classes leave to the program: both are read without a call to the window system on
// every message, as a property would be.
bool Control::Attach(HWND dialog, int id) {
    Detach();
    HWND hwnd = ::GetDlgItem(dialog, id);
    if (hwnd == nullptr)
        return false;
    const WNDPROC previous = WindowProcOf(hwnd);
    if (previous == nullptr || previous == ControlProc)
        return false;
    ::SetPropW(hwnd, kPreviousProcProperty, reinterpret_cast<HANDLE>(previous));
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_hwnd = hwnd;
    m_previous = previous;
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc));
    OnAttached();
    return true;
}

void Control::Detach() {
    if (m_hwnd != nullptr && ::IsWindow(m_hwnd)) {
        // Under another procedure put over ours, ours stays in the chain without this object.
        if (WindowProcOf(m_hwnd) == ControlProc) {
            ::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
            ::RemovePropW(m_hwnd, kPreviousProcProperty);
        }
        ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    }
    m_hwnd = nullptr;
    m_previous = nullptr;
}

LRESULT Control::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kReflectedDrawItem) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return Default(message, wParam, lParam);
}

LRESULT Control::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(m_previous, m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Control::ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Control*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->m_hwnd != hwnd) {
        const auto previous = reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kPreviousProcProperty));
        if (previous == nullptr)
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY)
            ::RemovePropW(hwnd, kPreviousProcProperty);
        return ::CallWindowProcW(previous, hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        // The window goes; the object stays usable for a later Attach.
        const WNDPROC previous = self->m_previous;
        self->Detach();
        return ::CallWindowProcW(previous, hwnd, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // No exception may cross into the system's window procedure.
        return ::CallWindowProcW(self->m_previous, hwnd, message, wParam, lParam);
    }
}

INT_PTR Dialog::DoModal(HWND owner) {
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                             DialogProc, reinterpret_cast<LPARAM>(this));
}

void Dialog::CenterWindow(int width, int height) const {
    RECT window{};
    ::GetWindowRect(m_hwnd, &window);
    RECT area{};
    HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
    if (owner != nullptr && ::IsWindowVisible(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const bool resize = width > 0 && height > 0;
    if (!resize) {
        width = window.right - window.left;
        height = window.bottom - window.top;
    }
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    // One move: every move of a window costs a round to the window system.
    ::SetWindowPos(m_hwnd, nullptr, x, y, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE | (resize ? 0 : SWP_NOSIZE));
}

INT_PTR Dialog::HandleMessage(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return FALSE;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        StartFiltering();
        BindControls();
        return OnInitDialog();
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType != ODT_MENU && item->hwndItem != nullptr) {
            ::SendMessageW(item->hwndItem, kReflectedDrawItem, wParam, lParam);
            return TRUE;
        }
        break;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return TRUE;
        if (id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        break;
    }
    default:
        break;
    }
    bool handled = false;
    INT_PTR result = HandleMessage(message, wParam, lParam, handled);
    return handled ? result : FALSE;
}

void Dialog::StartFiltering() {
    if (t_filter.hook == nullptr)
        t_filter.hook =
            ::SetWindowsHookExW(WH_MSGFILTER, MessageFilter, nullptr, ::GetCurrentThreadId());
    t_filter.dialogs.push_back(this);
}

void Dialog::StopFiltering() {
    auto& dialogs = t_filter.dialogs;
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), this), dialogs.end());
    if (dialogs.empty() && t_filter.hook != nullptr) {
        ::UnhookWindowsHookEx(t_filter.hook);
        t_filter.hook = nullptr;
    }
}

LRESULT CALLBACK Dialog::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && lParam != 0) {
        const MSG& message = *reinterpret_cast<const MSG*>(lParam);
        // Newest first: a box shown over the wizard sees its own messages.
        for (auto it = t_filter.dialogs.rbegin(); it != t_filter.dialogs.rend(); ++it) {
            Dialog* dialog = *it;
            if (message.hwnd == dialog->m_hwnd || ::IsChild(dialog->m_hwnd, message.hwnd)) {
                try {
                    if (dialog->PreTranslateMessage(message))
                        return 1;
                } catch (...) {
                }
                break;
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->m_hwnd = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (self == nullptr)
        return FALSE;
    try {
        INT_PTR result = self->Dispatch(message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            self->StopFiltering();
            ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
            self->m_hwnd = nullptr;
        }
        return result;
    } catch (...) {
        return FALSE;
    }
}

std::wstring ListBoxText(HWND list, LRESULT row) {
    const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
    if (length == LB_ERR)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::wcslen(text.c_str()));
    return text;
}

} // namespace win
