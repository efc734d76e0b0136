#include "win/module_version.h"

#include <windows.h>

#include <cstring>

namespace win {

namespace {

std::wstring VersionOf(HMODULE module) {
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    HGLOBAL loaded = found != nullptr ? ::LoadResource(module, found) : nullptr;
    const auto* data =
        static_cast<const BYTE*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
    const DWORD size = found != nullptr ? ::SizeofResource(module, found) : 0;
    if (data == nullptr)
        return L"";
    // The fixed part follows the block's header and key, on a 4-byte boundary; its signature
    // marks it.
    for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, data + at, sizeof(info));
        if (info.dwSignature != VS_FFI_SIGNATURE)
            continue;
        return std::to_wstring(HIWORD(info.dwFileVersionMS)) + L"." +
               std::to_wstring(LOWORD(info.dwFileVersionMS)) + L"." +
               std::to_wstring(HIWORD(info.dwFileVersionLS)) + L"." +
               std::to_wstring(LOWORD(info.dwFileVersionLS));
    }
    return L"";
}

} // namespace

std::wstring ProgramVersion() {
    return VersionOf(::GetModuleHandleW(nullptr));
}

std::wstring ProgramVersion(const std::wstring& programPath) {
    // As data: nothing of the file runs, and a program of the other architecture reads as well.
    HMODULE module = ::LoadLibraryExW(programPath.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr)
        return L"";
    std::wstring version = VersionOf(module);
    ::FreeLibrary(module);
    return version;
}

} // namespace win
