#include "engine/package_paths.h"

namespace engine {

std::wstring DirectoryOfPath(const std::wstring& modulePath) {
    const size_t slash = modulePath.rfind(L'\\');
    if (slash == std::wstring::npos)
        return std::wstring();
    return modulePath.substr(0, slash);
}

bool IsArchitecture64Bit(unsigned processorArchitecture) {
    constexpr unsigned kAmd64 = 9;
    constexpr unsigned kIa64 = 6;
    return processorArchitecture == kAmd64 || processorArchitecture == kIa64;
}

PackagePlatform PlatformOfMachine(unsigned nativeMachine) {
    switch (nativeMachine) {
    case 0x014C:
        return PackagePlatform::X86;
    case 0x8664:
        return PackagePlatform::X64;
    default:
        return PackagePlatform::None;
    }
}

PackagePlatform PlatformOfArchitecture(unsigned processorArchitecture) {
    switch (processorArchitecture) {
    case 0:
        return PackagePlatform::X86;
    case 9:
        return PackagePlatform::X64;
    default:
        return PackagePlatform::None;
    }
}

const wchar_t* SpoolerEnvironmentOf(PackagePlatform platform) {
    switch (platform) {
    case PackagePlatform::X86:
        return L"Windows NT x86";
    case PackagePlatform::X64:
        return L"Windows x64";
    case PackagePlatform::None:
        break;
    }
    return nullptr;
}

const wchar_t* PackageArchitectureFolder(bool native64) {
    return native64 ? L"X64" : L"i386";
}

std::wstring DriverSourceFolderOf(const std::wstring& programDirectory, bool native64) {
    return programDirectory + L"\\24Pin\\" + PackageArchitectureFolder(native64) + L"\\";
}

std::wstring InfPathOf(const std::wstring& programDirectory, bool native64) {
    return DriverSourceFolderOf(programDirectory, native64) + L"24Pin.inf";
}

std::wstring CataloguePathOf(const std::wstring& programDirectory) {
    return programDirectory + L"\\PrinterInfo.ini";
}

} // namespace engine
