// The record of what the product's installs made, in the registry.
#include "engine/install_record.h"

#include "engine/apps_entry.h"
#include "engine/install_log.h"

#include <vector>

namespace engine {

namespace {

const wchar_t kPrinters[] = L"Printers";
const wchar_t kDrivers[] = L"Drivers";
const wchar_t kMonitors[] = L"Monitors";
const wchar_t kStagedInfs[] = L"StagedInfs";
const wchar_t kOlderInstall[] = L"OlderInstall";

std::vector<std::wstring> ReadNames(HKEY key, const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return {};
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
        ERROR_SUCCESS)
        return {};
    data.resize(size / sizeof(wchar_t));
    return MultiStringNames(data);
}

bool WriteNames(HKEY key, const wchar_t* name, const std::vector<std::wstring>& names) {
    const std::wstring data = MultiStringOf(names);
    const LSTATUS status =
        ::RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                         static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    std::wstring listed;
    for (const std::wstring& entry : names)
        listed += L" " + entry;
    WriteInstallStep(L"RegSetValueEx " + std::wstring(name) + listed,
                     static_cast<unsigned long>(status));
    return status == ERROR_SUCCESS;
}

InstallRecord ReadFrom(HKEY key) {
    InstallRecord record;
    record.printers = ReadNames(key, kPrinters);
    record.drivers = ReadNames(key, kDrivers);
    record.monitors = ReadNames(key, kMonitors);
    record.stagedInfs = ReadNames(key, kStagedInfs);
    DWORD older = 0, size = sizeof(older), type = 0;
    record.olderInstall =
        ::RegQueryValueExW(key, kOlderInstall, nullptr, &type, reinterpret_cast<BYTE*>(&older),
                           &size) == ERROR_SUCCESS &&
        type == REG_DWORD && older != 0;
    return record;
}

} // namespace

bool RecordInstalledObjects(const InstallRecord& made) {
    InstallRecord add = made;
    add.olderInstall = false;
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LSTATUS created = ::RegCreateKeyExW(
        HKEY_LOCAL_MACHINE, kInstallRecordKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
        KEY_SET_VALUE | KEY_QUERY_VALUE | kInstallRecordView, nullptr, &key, &disposition);
    WriteInstallStep(L"RegCreateKeyEx HKLM\\" + std::wstring(kInstallRecordKeyPath),
                     static_cast<unsigned long>(created));
    if (created != ERROR_SUCCESS)
        return false;
    if (disposition == REG_CREATED_NEW_KEY && ProductEntryExists())
        add.olderInstall = true;
    const InstallRecord record = ReadFrom(key);
    const InstallRecord merged = MergedRecord(record, add);
    bool written = true;
    const struct {
        const wchar_t* name;
        const std::vector<std::wstring>& before;
        const std::vector<std::wstring>& after;
    } lists[] = {{kPrinters, record.printers, merged.printers},
                 {kDrivers, record.drivers, merged.drivers},
                 {kMonitors, record.monitors, merged.monitors},
                 {kStagedInfs, record.stagedInfs, merged.stagedInfs}};
    for (const auto& list : lists)
        if (list.after.size() != list.before.size())
            written = WriteNames(key, list.name, list.after) && written;
    if (merged.olderInstall && !record.olderInstall) {
        const DWORD one = 1;
        const LSTATUS status = ::RegSetValueExW(key, kOlderInstall, 0, REG_DWORD,
                                                reinterpret_cast<const BYTE*>(&one), sizeof(one));
        WriteInstallStep(L"RegSetValueEx " + std::wstring(kOlderInstall) + L" 1",
                         static_cast<unsigned long>(status));
        written = status == ERROR_SUCCESS && written;
    }
    ::RegCloseKey(key);
    return written;
}

bool RecordQueue(const std::wstring& printerName, const std::wstring& driverName) {
    InstallRecord made;
    AddName(made.printers, printerName);
    AddName(made.drivers, driverName);
    return RecordInstalledObjects(made);
}

bool RecordAddedMonitor(const std::wstring& monitorName) {
    InstallRecord made;
    AddName(made.monitors, monitorName);
    return RecordInstalledObjects(made);
}

bool RecordStagedInf(const std::wstring& infFileName) {
    InstallRecord made;
    AddName(made.stagedInfs, infFileName);
    return RecordInstalledObjects(made);
}

bool ReadInstallRecord(InstallRecord& record) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstallRecordKeyPath, 0,
                        KEY_QUERY_VALUE | kInstallRecordView, &key) != ERROR_SUCCESS)
        return false;
    record = ReadFrom(key);
    ::RegCloseKey(key);
    return true;
}

bool RemoveInstallRecord() {
    const LSTATUS status =
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kInstallRecordKeyPath, kInstallRecordView, 0);
    WriteInstallStep(L"RegDeleteKeyEx HKLM\\" + std::wstring(kInstallRecordKeyPath),
                     static_cast<unsigned long>(status));
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        ::SetLastError(static_cast<DWORD>(status));
        return false;
    }
    // The maker's key goes with its last product, when nothing else is left in it.
    HKEY parent = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstallRecordParentPath, 0,
                        KEY_QUERY_VALUE | kInstallRecordView, &parent) == ERROR_SUCCESS) {
        DWORD subkeys = 1, values = 1;
        const bool empty =
            ::RegQueryInfoKeyW(parent, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
            subkeys == 0 && values == 0;
        ::RegCloseKey(parent);
        if (empty)
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kInstallRecordParentPath, kInstallRecordView, 0);
    }
    return true;
}

} // namespace engine
