#include "tests/support/folder_links.h"

#include <windows.h>

#include <functional>

namespace testing_support {

namespace {

std::wstring FromUtf8(const char* bytes) {
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes, -1, nullptr, 0);
    std::wstring text(length > 0 ? length - 1 : 0, L'\0');
    if (length > 1)
        ::MultiByteToWideChar(CP_UTF8, 0, bytes, -1, text.data(), length);
    return text;
}

using UnixName = char*(CDECL*)(const wchar_t*);

// Wine's name of a Windows path on the Unix side; nullptr on Windows.
UnixName WineUnixName() {
    return reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

// Runs a Unix program of the Wine host on `path`'s Unix name, then waits until `done` says its
// work is seen (Wine does not wait for a Unix program).
bool RunOnUnixName(const wchar_t* program, const std::wstring& before, const std::wstring& path,
                   const std::function<bool()>& done) {
    char* unixPath = WineUnixName()(path.c_str());
    if (unixPath == nullptr)
        return false;
    std::wstring command =
        std::wstring(program) + L" " + before + L"\"" + FromUtf8(unixPath) + L"\"";
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW((std::wstring(L"Z:") + program).c_str(), command.data(), nullptr, nullptr,
                          FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    for (int i = 0; i < 250; ++i) {
        if (done())
            return true;
        ::Sleep(20);
    }
    return false;
}

bool IsLinkNow(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
    if (WineUnixName() == nullptr)
        return ::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                                     SYMBOLIC_LINK_FLAG_DIRECTORY |
                                         SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
               IsLinkNow(link);
    char* unixTarget = WineUnixName()(target.c_str());
    if (unixTarget == nullptr)
        return false;
    const std::wstring quotedTarget = L"-s \"" + FromUtf8(unixTarget) + L"\" ";
    ::HeapFree(::GetProcessHeap(), 0, unixTarget);
    return RunOnUnixName(L"/bin/ln", quotedTarget, link, [&] { return IsLinkNow(link); });
}

// Wine cannot delete a Unix link itself.
void RemoveFolderLink(const std::wstring& link) {
    if (WineUnixName() == nullptr) {
        ::RemoveDirectoryW(link.c_str());
        return;
    }
    RunOnUnixName(L"/bin/rm", L"-f ", link,
                  [&] { return ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

} // namespace testing_support
