// Program entry: locks down the DLL search path before anything else, then runs the wizard.
#include "res/resource.h"
#include "win/system_library.h"

#include <windows.h>
#include <commctrl.h>

namespace {

void InitCommonControlClasses() {
    // comctl32 is not a KnownDLL: load it from System32 (the manifest redirects it to version 6).
    using InitFn = BOOL WINAPI(const INITCOMMONCONTROLSEX*);
    HMODULE comctl = win::LoadSystemLibrary(L"comctl32.dll");
    if (auto* init = win::GetProc<InitFn>(comctl, "InitCommonControlsEx")) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        init(&icc);
    }
}

INT_PTR CALLBACK WizardProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        ::SetWindowTextW(dialog, L"Velmora科技驱动安装程序");
        RECT work{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int width = 500, height = 400;
        ::MoveWindow(dialog, work.left + (work.right - work.left - width) / 2,
                     work.top + (work.bottom - work.top - height) / 2, width, height, FALSE);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    win::RestrictDllSearchPath();
    InitCommonControlClasses();
    ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETUP), nullptr, WizardProc, 0);
    return 0;
}
