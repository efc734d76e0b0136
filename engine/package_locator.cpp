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

PackagePlatform NativePlatform() {
    // IsWow64Process2 tells the native machine also where an emulated process is told another
    // (x86 and x64 programs on ARM64 Windows); systems that lack it are x86, x64 or IA64, where
    // GetNativeSystemInfo answers.
    using IsWow64Process2Fn = BOOL WINAPI(HANDLE, USHORT*, USHORT*);
    auto* wow64Process2 = reinterpret_cast<IsWow64Process2Fn*>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process2")));
    USHORT processMachine = 0, nativeMachine = 0;
    if (wow64Process2 != nullptr &&
        wow64Process2(::GetCurrentProcess(), &processMachine, &nativeMachine))
        return PlatformOfMachine(nativeMachine);
    SYSTEM_INFO info{};
    ::GetNativeSystemInfo(&info);
    return PlatformOfArchitecture(info.wProcessorArchitecture);
}

const wchar_t* SpoolerEnvironment() {
    static const wchar_t* const environment = SpoolerEnvironmentOf(NativePlatform());
    return environment;
}

bool GetDriverDirectory(std::wstring& directory) {
    wchar_t buffer[256] = L"";
    DWORD needed = 0;
    const wchar_t* environment = SpoolerEnvironment();
    if (environment == nullptr)
        return false;
    if (!Spooler().GetPrinterDriverDirectoryW(nullptr, const_cast<wchar_t*>(environment), 1,
                                              reinterpret_cast<BYTE*>(buffer), sizeof(buffer),
                                              &needed))
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

std::wstring GetNativeSystemFolder() {
    wchar_t folder[MAX_PATH] = L"";
    BOOL wow64 = FALSE;
    if (sizeof(void*) == 4 && ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64) {
        const UINT length = ::GetWindowsDirectoryW(folder, MAX_PATH);
        return length == 0 || length >= MAX_PATH ? std::wstring()
                                                 : std::wstring(folder) + L"\\Sysnative";
    }
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(folder);
}

std::wstring GetInfPath() {
    return InfPathOf(GetProgramDirectory(), IsNative64Bit());
}

std::wstring GetCataloguePath() {
    return CataloguePathOf(GetProgramDirectory());
}

} // namespace engine
