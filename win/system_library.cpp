#include "win/system_library.h"

#include <string>

namespace win {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32; spelled out for systems whose headers predate it.
constexpr DWORD kSearchSystem32 = 0x00000800;

bool g_restricted = false;

} // namespace

bool RestrictDllSearchPath() {
    // The current folder is dropped from the search everywhere this call exists.
    ::SetDllDirectoryW(L"");

    // SetDefaultDllDirectories exists from Windows 8 (and Windows 7 with KB2533623); it takes the
    // program's own folder out of the search as well. kernel32 is a KnownDLL, so looking it up is
    // safe before the restriction.
    using SetDefaultDllDirectoriesFn = BOOL WINAPI(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto* setDefault = GetProc<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    g_restricted = setDefault != nullptr && setDefault(kSearchSystem32) != FALSE;
    return g_restricted;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (g_restricted)
        return ::LoadLibraryExW(name, nullptr, kSearchSystem32);

    // Without the default-directories API, a full System32 path is the only safe way.
    wchar_t system[MAX_PATH];
    UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring path(system, length);
    path += L'\\';
    path += name;
    return ::LoadLibraryW(path.c_str());
}

} // namespace win
