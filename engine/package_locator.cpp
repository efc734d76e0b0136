#include "engine/package_locator.h"

#include "engine/package_paths.h"
#include "engine/spooler_api.h"

#include <windows.h>

namespace engine {

std::wstring GetProgramDirectory() {
    wchar_t path[MAX_PATH] = L"";
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return DirectoryOfPath(std::wstring(path, length));
}

bool IsNative64Bit() {
    // GetNativeSystemInfo tells the truth to a 32-bit process on 64-bit Windows; systems that
    // lack it are 32-bit, where GetSystemInfo answers the same.
    using GetNativeSystemInfoFn = void WINAPI(LPSYSTEM_INFO);
    SYSTEM_INFO info{};
    auto* native = reinterpret_cast<GetNativeSystemInfoFn*>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetNativeSystemInfo")));
    if (native != nullptr)
        native(&info);
    else
        ::GetSystemInfo(&info);
    return IsArchitecture64Bit(info.wProcessorArchitecture);
}

bool GetDriverDirectory(std::wstring& directory) {
    wchar_t buffer[256] = L"";
    DWORD needed = 0;
    if (!Spooler().GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer),
                                              sizeof(buffer), &needed))
        return false;
    buffer[255] = L'\0';
    directory = buffer;
    while (!directory.empty() && directory.back() == L'\\')
        directory.pop_back();
    return !directory.empty();
}

std::wstring GetDriverSourceFolder() {
    return DriverSourceFolderOf(GetProgramDirectory(), IsNative64Bit());
}

std::wstring GetInfPath() {
    return InfPathOf(GetProgramDirectory(), IsNative64Bit());
}

std::wstring GetCataloguePath() {
    return CataloguePathOf(GetProgramDirectory());
}

} // namespace engine
