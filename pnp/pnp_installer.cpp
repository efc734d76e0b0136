#include "pnp/pnp_installer.h"

#include "engine/install_log.h"
#include "engine/package_locator.h"
#include "engine/package_paths.h"
#include "pnp/device_setup_api.h"
#include "pnp/inf_file.h"

#include <vector>

namespace {

// Owner of a device information set.
class DeviceInfoSet {
public:
    explicit DeviceInfoSet(HDEVINFO set) : m_set(set) {}
    ~DeviceInfoSet() {
        if (IsValid())
            ::SetupDiDestroyDeviceInfoList(m_set);
    }
    DeviceInfoSet(const DeviceInfoSet&) = delete;
    DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
    HDEVINFO Get() const { return m_set; }
    bool IsValid() const { return m_set != nullptr && m_set != INVALID_HANDLE_VALUE; }

private:
    HDEVINFO m_set;
};

// Every model hardware ID the INF claims, once per manufacturer entry. False when the INF
// cannot be read.
bool ReadPatterns(const std::wstring& infPath, std::vector<std::wstring>& patterns) {
    CInfFileHelper inf;
    if (!inf.Open(infPath))
        return false;
    std::vector<std::wstring> manufacturers;
    inf.ReadManufacturers(manufacturers);
    for (const std::wstring& manufacturer : manufacturers) {
        std::vector<std::wstring> ids;
        inf.ReadModelHardwareIds(manufacturer, ids);
        patterns.insert(patterns.end(), ids.begin(), ids.end());
    }
    return true;
}

// A refused device installation goes into the install log with its error before the job falls
// back to the spooler route (a 32-bit installer on 64-bit Windows is refused with
// ERROR_IN_WOW64, for instance).
void LogRefusal(const wchar_t* call) {
    engine::WriteInstallLog(call, true);
}

// The wait cursor while the driver update runs.
class WaitCursor {
public:
    WaitCursor() : m_previous(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(m_previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};

} // namespace

std::wstring GetPnpInfPath() {
    return engine::InfPathOf(engine::GetProgramDirectory(), engine::IsNative64Bit());
}

void CPnpInstaller::Reset() {
    if (m_hDevInfo != nullptr && m_hDevInfo != INVALID_HANDLE_VALUE)
        ::SetupDiDestroyDeviceInfoList(m_hDevInfo);
    m_hDevInfo = nullptr;
    m_strInfPath.clear();
    m_strHardwareId.clear();
}

BOOL CPnpInstaller::FindMatchingDevice(const std::wstring& infPath) {
    Reset();
    std::vector<std::wstring> patterns;
    if (!ReadPatterns(infPath, patterns))
        return FALSE;
    m_strInfPath = infPath;

    GUID classGuid{};
    wchar_t className[260];
    if (!::SetupDiGetINFClassW(infPath.c_str(), &classGuid, className, 260, nullptr))
        return FALSE;
    HDEVINFO set = ::SetupDiGetClassDevsW(&classGuid, nullptr, nullptr,
                                          DIGCF_PRESENT | DIGCF_ALLCLASSES | DIGCF_PROFILE);
    if (set == INVALID_HANDLE_VALUE)
        return FALSE;
    m_hDevInfo = set;

    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        // 2000 bytes, plus room for a terminating pair the device may have left out.
        wchar_t ids[1000 + 2] = {};
        if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, nullptr,
                                                 reinterpret_cast<BYTE*>(ids), 2000, nullptr))
            continue;
        const std::wstring first = ids; // first string of the list
        if (pnp::MatchHardwareId(patterns, first))
            m_strHardwareId = first;
    }
    return m_strHardwareId.empty() ? FALSE : TRUE;
}

BOOL CPnpInstaller::Install() {
    if (m_strHardwareId.empty()) {
        CInfFileHelper inf;
        if (!inf.Open(m_strInfPath))
            return FALSE;
        std::vector<std::wstring> manufacturers;
        inf.ReadManufacturers(manufacturers);
        for (const std::wstring& manufacturer : manufacturers) {
            std::vector<std::wstring> ids;
            inf.ReadModelHardwareIds(manufacturer, ids);
            if (!ids.empty()) {
                m_strHardwareId = ids.front();
                break;
            }
        }
    }
    if (m_strHardwareId.empty())
        return FALSE;
    WaitCursor wait;
    CDriverSetupHelper helper;
    return helper.InstallDriverForHardwareId(m_strInfPath, m_strHardwareId, nullptr);
}

BOOL CDriverSetupHelper::InstallDriverForHardwareId(const std::wstring& infPath,
                                                    const std::wstring& hardwareId,
                                                    BOOL* rebootRequired) {
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW(infPath.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return FALSE;
    ::FindClose(find);

    BOOL reboot = FALSE;
    if (IsHardwareIdPresent(hardwareId)) {
        if (!pnp::DeviceSetup().UpdateDriverForPlugAndPlayDevicesW(
                nullptr, hardwareId.c_str(), infPath.c_str(), pnp::DriverUpdateFlags(), &reboot)) {
            LogRefusal(L"UpdateDriverForPlugAndPlayDevices");
            return FALSE;
        }
    } else if (!InstallRootDevice(infPath, hardwareId, &reboot)) {
        return FALSE;
    }
    if (rebootRequired != nullptr)
        *rebootRequired = reboot;
    return TRUE;
}

BOOL CDriverSetupHelper::IsHardwareIdPresent(const std::wstring& hardwareId) {
    DeviceInfoSet set(
        ::SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT));
    if (!set.IsValid())
        return FALSE;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    std::vector<BYTE> buffer;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
        DWORD size = 0;
        if (!::SetupDiGetDeviceRegistryPropertyW(set.Get(), &device, SPDRP_HARDWAREID, nullptr,
                                                 nullptr, 0, &size)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_INVALID_DATA)
                continue; // no hardware IDs
            if (error != ERROR_INSUFFICIENT_BUFFER)
                return FALSE;
        }
        bool read = false;
        for (int attempt = 0; attempt < 4 && !read; ++attempt) {
            // Two extra NULs, so an unterminated list still ends.
            buffer.assign(size + 2 * sizeof(wchar_t), 0);
            read =
                ::SetupDiGetDeviceRegistryPropertyW(set.Get(), &device, SPDRP_HARDWAREID, nullptr,
                                                    buffer.data(), size, &size) != FALSE;
            if (!read && ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
                return FALSE;
        }
        if (!read)
            return FALSE;
        for (const wchar_t* id = reinterpret_cast<const wchar_t*>(buffer.data()); *id != L'\0';
             id += wcslen(id) + 1) {
            if (hardwareId == id)
                return TRUE;
        }
    }
    return FALSE;
}

BOOL CDriverSetupHelper::InstallRootDevice(const std::wstring& infPath,
                                           const std::wstring& hardwareId, BOOL* rebootRequired) {
    GUID classGuid{};
    std::vector<wchar_t> className(2048, L'\0');
    if (!::SetupDiGetINFClassW(infPath.c_str(), &classGuid, className.data(), 2048, nullptr))
        return FALSE;
    DeviceInfoSet set(::SetupDiCreateDeviceInfoList(&classGuid, nullptr));
    if (!set.IsValid())
        return FALSE;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!::SetupDiCreateDeviceInfoW(set.Get(), className.data(), &classGuid, nullptr, nullptr,
                                    DICD_GENERATE_ID, &device))
        return FALSE;

    // The single hardware ID (at most 2000 characters) followed by two NULs.
    std::wstring list = hardwareId.substr(0, 2000);
    list.push_back(L'\0');
    list.push_back(L'\0');
    if (!::SetupDiSetDeviceRegistryPropertyW(set.Get(), &device, SPDRP_HARDWAREID,
                                             reinterpret_cast<const BYTE*>(list.data()),
                                             static_cast<DWORD>(list.size() * sizeof(wchar_t))))
        return FALSE;
    if (!::SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.Get(), &device)) {
        LogRefusal(L"SetupDiCallClassInstaller");
        return FALSE;
    }
    if (!pnp::DeviceSetup().UpdateDriverForPlugAndPlayDevicesW(
            nullptr, hardwareId.c_str(), infPath.c_str(), pnp::DriverUpdateFlags(),
            rebootRequired)) {
        LogRefusal(L"UpdateDriverForPlugAndPlayDevices");
        ::SetupDiCallClassInstaller(DIF_REMOVE, set.Get(), &device);
        return FALSE;
    }
    return TRUE;
}
