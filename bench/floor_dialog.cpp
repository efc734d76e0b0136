// The start-up floor: a dialog of the wizard's template size whose list box is filled when the
// dialog starts, measured by bench_driver the way Setup.exe's model page is.
#include <windows.h>

#include <initializer_list>

namespace {

constexpr int kDialog = 1;
constexpr int kList = 1031;

INT_PTR CALLBACK FloorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        HWND list = ::GetDlgItem(dialog, kList);
        for (const wchar_t* row : {L"Korvane KV-8200", L"Korvane KV-8230", L"Korvane KV-8250 OLI",
                                   L"Korvane KV-8260", L"Korvane KV-8280"})
            ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
        ::SendMessageW(list, LB_SETCURSEL, 0, 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            ::EndDialog(dialog, 0);
        return TRUE;
    case WM_CLOSE:
        ::EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    ::DialogBoxParamW(instance, MAKEINTRESOURCEW(kDialog), nullptr, FloorProc, 0);
    return 0;
}
