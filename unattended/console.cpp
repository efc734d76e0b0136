#include "unattended/report.h"
#include "unattended/runs.h"
#include "win/handle.h"

#include <windows.h>

#include <cwctype>

namespace unattended {

bool Tell(const std::wstring& text, bool quiet, unsigned icon) {
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (output != nullptr && output != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        if (::GetConsoleMode(output, &mode)) {
            ::WriteConsoleW(output, text.c_str(), static_cast<DWORD>(text.size()), &written,
                            nullptr);
        } else {
            const std::string bytes = Utf8Of(text);
            ::WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        }
        return true;
    }
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        win::FileHandle console(::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
        DWORD written = 0;
        if (console && ::WriteConsoleW(console.Get(), text.c_str(), static_cast<DWORD>(text.size()),
                                       &written, nullptr))
            return true;
    }
    if (quiet)
        return false;
    ::MessageBoxW(nullptr, text.c_str(), kTitle, MB_OK | icon);
    return true;
}

std::wstring LowerText(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(::towlower(c));
    return text;
}

} // namespace unattended
