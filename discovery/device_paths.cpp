// Operating-system class, registry key names, port names and device file names.
#include "discovery/device_paths.h"

#include <cwctype>

namespace discovery {

namespace {

constexpr unsigned kPlatformWindows9x = 1; // VER_PLATFORM_WIN32_WINDOWS
constexpr unsigned kPlatformNt = 2;        // VER_PLATFORM_WIN32_NT

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
    for (std::size_t at = text.find(from); at != std::wstring::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

} // namespace

int OsClassOf(unsigned platformId, unsigned majorVersion, bool native64) {
    if (platformId != kPlatformNt)
        return platformId == kPlatformWindows9x ? 0 : 1;
    const int is64 = native64 ? 1 : 0;
    return majorVersion <= 5 ? 1 + is64 : 3 + is64;
}

std::wstring RegistryFormOfDevicePath(const std::wstring& devicePath, int osClass) {
    if (osClass == 0)
        return ReplaceAll(devicePath, L"\\.\\", L"##.#");
    return ReplaceAll(devicePath, L"\\?\\", L"##?#");
}

std::wstring UsbPortNumberKeyName(const std::wstring& devicePath, int osClass) {
    return L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
           L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}" +
           RegistryFormOfDevicePath(devicePath, osClass) + L"\\#\\Device Parameters";
}

std::wstring PortNameOfFriendlyName(const std::wstring& friendlyName) {
    const std::size_t open = friendlyName.find(L"(LPT");
    if (open == std::wstring::npos)
        return friendlyName.substr(0, 4);
    const std::size_t start = open + 1;
    std::size_t end = start + 3;
    while (end < friendlyName.size() && IsDigit(friendlyName[end]))
        ++end;
    return friendlyName.substr(start, end - start);
}

bool FriendlyNameNamesPort(const std::wstring& friendlyName, const std::wstring& portName) {
    if (portName.empty())
        return false;
    std::wstring upper = friendlyName;
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    for (std::size_t at = upper.find(portName); at != std::wstring::npos;
         at = upper.find(portName, at + 1)) {
        const std::size_t after = at + portName.size();
        if (after == upper.size() || !IsDigit(upper[after]) || !IsDigit(portName.back()))
            return true;
    }
    return false;
}

std::wstring DeviceNameOfInstanceId(const std::wstring& instanceId, const std::wstring& portName) {
    const std::size_t amp = instanceId.rfind(L'&');
    if (amp == std::wstring::npos || amp + 1 == instanceId.size())
        return portName;
    return instanceId.substr(amp + 1);
}

std::wstring DeviceFileName(const std::wstring& name) {
    return L"\\\\.\\" + name;
}

} // namespace discovery
