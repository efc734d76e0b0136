// Registry keys that make devices present for the setup library, and their removal.
#include "tests/discovery/device_bench.h"

#include <setupapi.h>

#include <algorithm>
#include <cwctype>

namespace discovery_testing {

namespace {

// Plug and Play keys live in the 64-bit view; a 32-bit test must say so.
constexpr REGSAM kView = KEY_WOW64_64KEY;
const std::wstring kDeviceClasses = L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\";
const std::wstring kEnum = L"SYSTEM\\CurrentControlSet\\Enum\\";
const std::wstring kUsbPrintClass = L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
const std::wstring kParallelClass = L"{97f76ef0-f883-11d0-af1f-0000f800845c}";
const std::wstring kPortsClass = L"{4D36E978-E325-11CE-BFC1-08002BE10318}";
const std::wstring kPrinterClass = L"{36FC9E60-C465-11CF-8056-444553540000}";

std::wstring Replace(std::wstring text, wchar_t from, wchar_t to) {
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

void DeleteKey(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    HKEY parent = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.substr(0, slash).c_str(), 0,
                        KEY_ALL_ACCESS | kView, &parent) != ERROR_SUCCESS)
        return;
    ::RegDeleteTreeW(parent, path.substr(slash + 1).c_str());
    ::RegDeleteKeyExW(parent, path.substr(slash + 1).c_str(), kView, 0);
    ::RegCloseKey(parent);
}

} // namespace

DeviceBench::~DeviceBench() {
    for (auto it = m_created.rbegin(); it != m_created.rend(); ++it)
        DeleteKey(*it);
}

void DeviceBench::CreateKey(const std::wstring& path) {
    // The outermost missing key is remembered; everything below it goes with it.
    for (size_t end = path.find(L'\\');; end = path.find(L'\\', end + 1)) {
        const std::wstring part = path.substr(0, end);
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, part.c_str(), 0, KEY_READ | kView, &key) !=
            ERROR_SUCCESS) {
            m_created.push_back(part);
            break;
        }
        ::RegCloseKey(key);
        if (end == std::wstring::npos)
            return;
    }
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kView,
                          nullptr, &key, nullptr) == ERROR_SUCCESS)
        ::RegCloseKey(key);
}

void DeviceBench::SetValue(const std::wstring& key, const wchar_t* name, DWORD type,
                           const void* data, DWORD size) {
    CreateKey(key);
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE | kView, &opened) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExW(opened, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(opened);
}

void DeviceBench::SetString(const std::wstring& key, const wchar_t* name,
                            const std::wstring& value) {
    SetValue(key, name, REG_SZ, value.c_str(),
             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void DeviceBench::SetDword(const std::wstring& key, const wchar_t* name, DWORD value) {
    SetValue(key, name, REG_DWORD, &value, sizeof(value));
}

std::wstring DeviceBench::AddInterface(const std::wstring& classGuid,
                                       const std::wstring& instanceId) {
    // "USB\VID_1\KV1" is linked as "\\?\USB#VID_1#KV1#{class}" under "##?#USB#VID_1#KV1#{class}".
    const std::wstring reference = Replace(instanceId, L'\\', L'#') + L"#" + classGuid;
    const std::wstring key = kDeviceClasses + classGuid + L"\\##?#" + reference;
    DeleteKey(key); // whatever an aborted run left
    SetString(key, L"DeviceInstance", instanceId);
    SetString(key + L"\\#", L"SymbolicLink", L"\\\\?\\" + reference);
    SetDword(key + L"\\#\\Control", L"Linked", 1);
    return L"\\\\?\\" + Lower(reference);
}

std::wstring DeviceBench::AddUsbPrinter(const std::wstring& instanceId, long long portNumber) {
    const std::wstring device = kEnum + instanceId;
    DeleteKey(device);
    SetString(device, L"ClassGUID", kPrinterClass);
    SetString(device, L"Class", L"USB");
    const std::wstring path = AddInterface(kUsbPrintClass, instanceId);
    const std::wstring parameters = kDeviceClasses + kUsbPrintClass + L"\\##?#" +
                                    Replace(instanceId, L'\\', L'#') + L"#" + kUsbPrintClass +
                                    L"\\#\\Device Parameters";
    if (portNumber >= 0)
        SetDword(parameters, L"Port Number", static_cast<DWORD>(portNumber));
    else
        CreateKey(parameters);
    return path;
}

void DeviceBench::AddPort(const std::wstring& instanceId, const wchar_t* friendlyName) {
    const std::wstring device = kEnum + instanceId;
    DeleteKey(device);
    SetString(device, L"ClassGUID", kPortsClass);
    SetString(device, L"Class", L"Ports");
    if (friendlyName != nullptr)
        SetString(device, L"FriendlyName", friendlyName);
}

void DeviceBench::AddParallelInterface(const std::wstring& instanceId) {
    AddInterface(kParallelClass, instanceId);
}

std::vector<std::wstring> PresentInterfacePaths(const GUID& interfaceClass) {
    std::vector<std::wstring> paths;
    HDEVINFO set = ::SetupDiGetClassDevsW(&interfaceClass, nullptr, nullptr,
                                          DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return paths;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    for (DWORD i = 0; ::SetupDiEnumDeviceInterfaces(set, nullptr, &interfaceClass, i, &data); ++i) {
        std::vector<DWORD> buffer(1024, 0);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(*detail);
        if (::SetupDiGetDeviceInterfaceDetailW(set, &data, detail, 4000, nullptr, nullptr))
            paths.push_back(detail->DevicePath);
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return paths;
}

std::vector<std::wstring> PresentPortNames() {
    std::vector<std::wstring> names;
    GUID ports{};
    DWORD count = 0;
    if (!::SetupDiClassGuidsFromNameW(L"Ports", &ports, 1, &count))
        return names;
    HDEVINFO set = ::SetupDiGetClassDevsW(&ports, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        wchar_t name[512] = L"";
        if (::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                reinterpret_cast<BYTE*>(name), sizeof(name) - 2,
                                                nullptr))
            names.push_back(name);
        else
            names.push_back(L"");
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return names;
}

} // namespace discovery_testing
