#include "tests/support/test_paths.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace testing_support {

std::wstring WinePathOf(const std::string& unixPath) {
    std::wstring out = L"Z:";
    int size = ::MultiByteToWideChar(CP_UTF8, 0, unixPath.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(size > 0 ? size : 1), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, unixPath.c_str(), -1, &wide[0], size);
    wide.resize(wcslen(wide.c_str()));
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return out + wide;
}

std::wstring DistDirectory() {
    return WinePathOf(SETUP_DIST_DIR);
}

std::wstring NextSetupDirectory() {
    return WinePathOf(SETUP_NEXT_DIR);
}

std::wstring ProductVersion() {
    return L"" SETUP_VERSION_TEXT;
}

std::wstring NextProductVersion() {
    return L"" SETUP_NEXT_VERSION_TEXT;
}

std::wstring TestBinDirectory() {
    return WinePathOf(TEST_BIN_DIR);
}

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    ::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    std::wstring folder = path;
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

void RemoveTree(const std::wstring& folder) {
    std::wstring from = folder;
    while (!from.empty() && from.back() == L'\\')
        from.pop_back();
    if (::GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    from.push_back(L'\0'); // SHFileOperation wants a double-NUL-terminated list.
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&op);
}

std::wstring MakeScratchFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"setup-tests\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    folder += name + L"\\";
    RemoveTree(folder);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    ::CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Utf8Of(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size,
                          nullptr, nullptr);
    return bytes;
}

} // namespace testing_support
