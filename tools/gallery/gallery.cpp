// Shows the installer's windows one by one and saves a picture of each as a BMP file, for the
// README and for looking at them without clicking through an installation.
//   gallery.exe OUTPUT_FOLDER
#include "controls/dlg_is_close.h"
#include "controls/dlg_mes_error.h"

#include <windows.h>

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
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN |
                                                 RDW_UPDATENOW);
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

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring folder = std::wstring(argv[1]) + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    bool ok = Shoot([] { ShowErrorDialog(L"2"); }, folder + L"error-dialog.bmp");
    ok = Shoot([] { ShowErrorDialog(std::wstring(50, L'8')); }, folder + L"error-dialog-long.bmp") && ok;
    ok = Shoot(
             [] {
                 CDlgIsClose box;
                 box.DoModal(nullptr);
             },
             folder + L"close-confirmation.bmp") &&
         ok;
    return ok ? 0 : 1;
}
