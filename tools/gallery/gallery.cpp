// Shows the installer's windows one by one and saves a picture of each as a BMP file, for the
// README and for looking at them without clicking through an installation.
//   gallery.exe OUTPUT_FOLDER [SETUP_EXE]
// With SETUP_EXE, it also runs the installer and saves each wizard page on the way through it.
#include "controls/dlg_is_close.h"
#include "controls/dlg_mes_error.h"

#include <windows.h>
#include <commctrl.h>

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

// Copies the window's rectangle from the screen: it must be visible and on top.
bool SaveWindow(HWND window, const std::wstring& path) {
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
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
    DWORD process;
    int childId;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->process || !::IsWindowVisible(window))
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

HWND WaitProcessWindow(DWORD process, const wchar_t* title, int childId) {
    for (int i = 0; i < 600; ++i) {
        Search search{process, childId, title, nullptr};
        ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
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

// Runs the installer through its four pages, saving each, and answers its success box.
bool ShootWizard(const std::wstring& setup, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + setup + L"\"";
    const std::wstring directory = setup.substr(0, setup.rfind(L'\\'));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(setup.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          directory.c_str(), &si, &pi))
        return false;
    bool ok = false;
    HWND wizard = WaitProcessWindow(pi.dwProcessId, L"Velmora科技驱动安装程序", 0);
    if (wizard != nullptr && WaitVisible(wizard, 1031)) {
        ok = SaveWindow(wizard, folder + L"page-model.bmp");
        const int steps[] = {1008, 1008, 1027};
        const int shows[] = {1010, 1027, 1013};
        const wchar_t* names[] = {L"page-port.bmp", L"page-confirm.bmp", L"page-install.bmp"};
        for (int i = 0; i < 3 && ok; ++i) {
            ::PostMessageW(::GetDlgItem(wizard, steps[i]), BM_CLICK, 0, 0);
            ok = WaitVisible(wizard, shows[i]);
            if (i == 2) {
                // Let the bar climb a little, but take the page before the success box covers it:
                // a repeated installation ends within a few ticks.
                HWND bar = ::GetDlgItem(wizard, shows[i]);
                for (int tick = 0; tick < 30 && ::SendMessageW(bar, PBM_GETPOS, 0, 0) < 8; ++tick)
                    ::Sleep(5);
            }
            ok = ok && SaveWindow(wizard, folder + names[i]);
        }
        HWND box = WaitProcessWindow(pi.dwProcessId, nullptr, 0xFFFF);
        if (box != nullptr) {
            ok = SaveWindow(box, folder + L"success.bmp") && ok;
            ::PostMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        }
    }
    if (::WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring folder = std::wstring(argv[1]) + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
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
    if (argc > 2)
        ok = ShootWizard(argv[2], folder) && ok;
    return ok ? 0 : 1;
}
