// Shows the installer's windows one by one and saves a picture of each as a BMP file, for the
// README and for looking at them without clicking through an installation.
//   gallery.exe OUTPUT_FOLDER [wizard]
//   gallery.exe --activate TITLE
// With `wizard`, it also shows the installer's wizard window and saves each page on the way
// through an installation, then the success box. The wizard reads the catalogue and the driver
// packages beside the program, so gallery.exe must then run from a copy of the distribution
// folder (tools/screenshots.sh makes one). The wizard runs in this process, with Setup.exe's
// manifest and resources, so that the install job can be held while the install page is taken:
// the job itself runs as in Setup.exe once the picture is saved.
// With --activate, it makes the visible top-level window of that title, in whatever program, the
// active one and draws its caption so (./run.sh, before its picture of Setup.exe), then ends.
#include "controls/dlg_is_close.h"
#include "controls/dlg_mes_error.h"
#include "res/resource.h"
#include "win/common_controls.h"
#include "win/thread.h"
#include "wizard/setup_dlg.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <thread>

namespace {

BOOL CALLBACK FirstVisible(HWND window, LPARAM out) {
    if (!::IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

bool SaveBmp(const std::wstring& path, HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height; // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    std::string pixels(stride * static_cast<DWORD>(height), '\0');
    ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), &pixels[0],
                reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    ::WriteFile(out, &file, sizeof(file), &written, nullptr);
    ::WriteFile(out, &header, sizeof(header), &written, nullptr);
    ::WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    ::CloseHandle(out);
    return true;
}

// Makes the window the active one, as it is for a user at the machine. On the virtual display there
// is no window manager: Wine activates a new window before it makes it the foreground window, so
// the window's caption is drawn in the inactive colour, and the caption is not drawn again when
// the window becomes the foreground. The foreground window is told so once more, as it would have
// been told at its activation.
bool Activate(HWND window) {
    ::SetForegroundWindow(window);
    for (int i = 0; i < 100 && ::GetForegroundWindow() != window; ++i)
        ::Sleep(10);
    if (::GetForegroundWindow() != window)
        return false;
    ::SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
    return true;
}

// Copies the window's rectangle from the screen: it must be visible and on top.
bool SaveWindow(HWND window, const std::wstring& path) {
    if (!Activate(window))
        return false;
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::Sleep(300);
    RECT r{};
    ::GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(memory, old);
    const bool saved = SaveBmp(path, memory, bitmap, width, height);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return saved;
}

// Runs `show` on a thread, saves the first window it shows, then closes it with IDCANCEL.
template <typename Show> bool Shoot(Show show, const std::wstring& path) {
    DWORD threadId = 0;
    HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread thread([&] {
        threadId = ::GetCurrentThreadId();
        ::SetEvent(ready);
        show();
    });
    ::WaitForSingleObject(ready, INFINITE);
    HWND window = nullptr;
    for (int i = 0; i < 500 && window == nullptr; ++i) {
        ::Sleep(10);
        ::EnumThreadWindows(threadId, FirstVisible, reinterpret_cast<LPARAM>(&window));
    }
    const bool saved = window != nullptr && SaveWindow(window, path);
    if (window != nullptr)
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    thread.join();
    ::CloseHandle(ready);
    return saved;
}

struct Search {
    int childId;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK FindOwnWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window))
        return TRUE;
    wchar_t title[256] = L"";
    ::GetWindowTextW(window, title, 256);
    if ((search->title != nullptr && std::wstring(title) == search->title) ||
        (search->childId != 0 && ::GetDlgItem(window, search->childId) != nullptr)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of this process with that title, or with a child of that ID.
HWND WaitOwnWindow(const wchar_t* title, int childId) {
    for (int i = 0; i < 600; ++i) {
        Search search{childId, title, nullptr};
        ::EnumWindows(FindOwnWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
        ::Sleep(50);
    }
    return nullptr;
}

bool WaitVisible(HWND dialog, int id) {
    for (int i = 0; i < 600; ++i) {
        if (::IsWindowVisible(::GetDlgItem(dialog, id)))
            return true;
        ::Sleep(50);
    }
    return false;
}

// The install job, held until the install page's picture is saved: the wizard's own job thread
// starts at once and waits for the release before it runs the job it was given.
struct HeldJob {
    win::ThreadProc proc = nullptr;
    void* parameter = nullptr;
    HANDLE release = nullptr;
} g_heldJob;

unsigned __stdcall RunHeldJob(void*) {
    ::WaitForSingleObject(g_heldJob.release, INFINITE);
    return g_heldJob.proc(g_heldJob.parameter);
}

win::KernelHandle StartHeldJob(win::ThreadProc proc, void* parameter) {
    g_heldJob.proc = proc;
    g_heldJob.parameter = parameter;
    return win::StartThread(RunHeldJob, nullptr);
}

// Runs the wizard through its four pages, saving each, and answers its success box.
bool ShootWizard(const std::wstring& folder) {
    g_heldJob.release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CSetupDlg::SetJobStarterForTesting(StartHeldJob);
    auto wizardDialog = std::make_unique<CSetupDlg>();
    std::thread shown([&] { wizardDialog->DoModal(nullptr); });
    bool ok = false;
    bool installing = false; // the install page shows, and the job's thread waits
    HWND wizard = WaitOwnWindow(L"Velmora科技驱动安装程序", 0);
    if (wizard != nullptr && WaitVisible(wizard, IDC_MODEL_LIST)) {
        ok = SaveWindow(wizard, folder + L"page-model.bmp");
        const int steps[] = {IDC_NEXT, IDC_NEXT, IDC_FINISH};
        const int shows[] = {IDC_PORT_LIST, IDC_FINISH, IDC_PROGRESS};
        const wchar_t* names[] = {L"page-port.bmp", L"page-confirm.bmp", L"page-install.bmp"};
        for (int i = 0; i < 3 && ok; ++i) {
            ::PostMessageW(::GetDlgItem(wizard, steps[i]), BM_CLICK, 0, 0);
            ok = WaitVisible(wizard, shows[i]);
            if (i == 2 && ok) {
                // The job waits: let the bar sweep to about its middle, as a user sees it at work.
                installing = true;
                HWND bar = ::GetDlgItem(wizard, IDC_PROGRESS);
                for (int tick = 0; tick < 500 && ::SendMessageW(bar, PBM_GETPOS, 0, 0) < 45; ++tick)
                    ::Sleep(10);
            }
            ok = ok && SaveWindow(wizard, folder + names[i]);
        }
    }
    // The job runs now; the wizard ends once its success box (the message box whose text has the
    // ID 0xFFFF) is answered.
    ::SetEvent(g_heldJob.release);
    HWND box = installing ? WaitOwnWindow(nullptr, 0xFFFF) : nullptr;
    if (box != nullptr && WaitVisible(box, IDOK)) {
        ok = SaveWindow(box, folder + L"success.bmp") && ok;
        ::PostMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    } else {
        // No wizard, no install page or no success box: whatever the wizard shows instead (an
        // error dialog, a page) waits for an answer that no one gives. The pictures saved so far
        // stay; the gallery fails.
        ::ExitProcess(1);
    }
    shown.join();
    CSetupDlg::SetJobStarterForTesting(nullptr);
    ::CloseHandle(g_heldJob.release);
    return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    if (std::wstring(argv[1]) == L"--activate") {
        for (int i = 0; argc > 2 && i < 200; ++i) {
            HWND window = ::FindWindowW(nullptr, argv[2]);
            if (window != nullptr && ::IsWindowVisible(window))
                return Activate(window) ? 0 : 1;
            ::Sleep(50);
        }
        return 1;
    }
    const std::wstring folder = std::wstring(argv[1]) + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    // As Setup.exe does before its first window.
    if (win::Comctl().InitCommonControlsEx != nullptr) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        win::Comctl().InitCommonControlsEx(&icc);
    }
    bool ok = Shoot([] { ShowErrorDialog(L"2"); }, folder + L"error-dialog.bmp");
    ok =
        Shoot([] { ShowErrorDialog(std::wstring(50, L'8')); }, folder + L"error-dialog-long.bmp") &&
        ok;
    ok = Shoot(
             [] {
                 CDlgIsClose box;
                 box.DoModal(nullptr);
             },
             folder + L"close-confirmation.bmp") &&
         ok;
    if (argc > 2 && std::wstring(argv[2]) == L"wizard")
        ok = ShootWizard(folder) && ok;
    return ok ? 0 : 1;
}
