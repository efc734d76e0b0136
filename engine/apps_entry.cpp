// The Apps & Features entry and the kept copy of the installer.
#include "engine/apps_entry.h"

#include "engine/checked_copy.h"
#include "engine/install_log.h"
#include "engine/package_paths.h"
#include "engine/support_folders.h"
#include "engine/uninstall_rules.h"
#include "win/module_version.h"
#include "win/system_library.h"

#include <cstdint>
#include <vector>

namespace engine {

namespace {

std::wstring EntryKeyPath() {
    return std::wstring(kUninstallKeyPath) + L"\\" + kProductEntryKeyName;
}

std::wstring RunningProgramPath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size())
            return std::wstring(path.data(), length);
        path.resize(path.size() * 2);
    }
}

// Copies a file into the product folder; a file onto itself (the kept copy registering again) is
// left as it is. The copy is never read-only.
bool CopyIntoProduct(const std::wstring& source, const std::wstring& target) {
    if (::lstrcmpiW(source.c_str(), target.c_str()) == 0)
        return true;
    ClearReadOnly(target);
    const bool copied = ::CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
    WriteInstallStep(L"CopyFile " + source + L" " + target, copied ? 0 : ::GetLastError());
    if (copied)
        ClearReadOnly(target);
    return copied;
}

// The bytes of the files in a folder and the folders below it; links to other folders are not
// followed.
std::uint64_t FolderBytes(const std::wstring& folder) {
    std::uint64_t total = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
                total += FolderBytes(folder + name + L"\\");
        } else {
            total += (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return total;
}

bool SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
    const LSTATUS status =
        ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    WriteInstallStep(L"RegSetValueEx " + std::wstring(name) + L" " + value,
                     static_cast<unsigned long>(status));
    return status == ERROR_SUCCESS;
}

bool SetNumber(HKEY key, const wchar_t* name, DWORD value) {
    const LSTATUS status = ::RegSetValueExW(key, name, 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&value), sizeof(value));
    WriteInstallStep(L"RegSetValueEx " + std::wstring(name) + L" " + std::to_wstring(value),
                     static_cast<unsigned long>(status));
    return status == ERROR_SUCCESS;
}

} // namespace

bool RegisterProductFrom(const std::wstring& programDirectory, const std::wstring& programPath,
                         bool withEntry) {
    const std::wstring product = GetProductFolder();
    if (product.empty()) {
        WriteInstallLog(L"产品文件夹未知，未登记卸载信息", false);
        return false;
    }
    ::CreateDirectoryW(product.c_str(), nullptr);
    const std::wstring keptProgram = product + kKeptProgramName;
    if (!CopyIntoProduct(programPath, keptProgram) ||
        !CopyIntoProduct(CataloguePathOf(programDirectory), product + kKeptCatalogueName))
        return false;
    if (!withEntry)
        return RemoveProductEntry();
    const std::wstring version = win::ProgramVersion(programPath);

    HKEY key = nullptr;
    const LSTATUS created = ::RegCreateKeyExW(
        HKEY_LOCAL_MACHINE, EntryKeyPath().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
        KEY_SET_VALUE | KEY_QUERY_VALUE | kProductEntryView, nullptr, &key, nullptr);
    WriteInstallStep(L"RegCreateKeyEx HKLM\\" + EntryKeyPath(),
                     static_cast<unsigned long>(created));
    if (created != ERROR_SUCCESS)
        return false;
    bool written = SetText(key, L"DisplayName", kProductDisplayName);
    if (!version.empty())
        written = SetText(key, L"DisplayVersion", version) && written;
    else
        ::RegDeleteValueW(key, L"DisplayVersion"); // an earlier installation's is not this one's
    written = SetText(key, L"Publisher", kProductPublisher) && written;
    written = SetText(key, L"InstallLocation", product) && written;
    written = SetText(key, L"DisplayIcon", keptProgram + L",0") && written;
    written = SetText(key, L"UninstallString", UninstallCommand(keptProgram, false)) && written;
    written = SetText(key, L"QuietUninstallString", UninstallCommand(keptProgram, true)) && written;
    written = SetNumber(key, L"EstimatedSize", EstimatedSizeKiB(FolderBytes(product))) && written;
    written = SetNumber(key, L"NoModify", 1) && written;
    written = SetNumber(key, L"NoRepair", 1) && written;
    ::RegCloseKey(key);
    if (!written) {
        // An entry without its commands would show a product that cannot be removed.
        RemoveProductEntry();
        return false;
    }
    return true;
}

bool RegisterProduct(const std::wstring& programDirectory, bool withEntry) {
    return RegisterProductFrom(programDirectory, RunningProgramPath(), withEntry);
}

bool RemoveProductEntry() {
    const LSTATUS status =
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, EntryKeyPath().c_str(), kProductEntryView, 0);
    const bool gone = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    WriteInstallStep(L"RegDeleteKeyEx HKLM\\" + EntryKeyPath(), static_cast<unsigned long>(status));
    if (!gone)
        ::SetLastError(static_cast<DWORD>(status));
    return gone;
}

bool ProductEntryExists() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, EntryKeyPath().c_str(), 0,
                        KEY_QUERY_VALUE | kProductEntryView, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

std::wstring InstalledProductVersion() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, EntryKeyPath().c_str(), 0,
                        KEY_QUERY_VALUE | kProductEntryView, &key) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t text[64] = L"";
    DWORD size = sizeof(text) - sizeof(wchar_t), type = 0;
    const LSTATUS read = ::RegQueryValueExW(key, L"DisplayVersion", nullptr, &type,
                                            reinterpret_cast<BYTE*>(text), &size);
    ::RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_SZ ? std::wstring(text) : std::wstring();
}

} // namespace engine
