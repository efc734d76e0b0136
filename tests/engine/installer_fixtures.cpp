// Helpers of the staging, registration and service tests.
#include "tests/engine/installer_fixtures.h"

#include "engine/install_log.h"
#include "engine/log_record.h"
#include "engine/package_locator.h"
#include "tests/support/log_records.h"
#include "tests/support/test_paths.h"
#include "win/handle.h"
#include "win/text.h"

#include <algorithm>
#include <utility>

namespace installer_tests {

using namespace testing_support;

std::wstring NativePackageFolder() {
    const std::wstring folder =
        engine::DriverSourceFolderOf(DistDirectory(), engine::IsNative64Bit());
    return folder.substr(0, folder.size() - 1);
}

std::wstring DriverDirectory() {
    std::wstring directory;
    if (!engine::GetDriverDirectory(directory))
        directory.clear();
    return directory;
}

std::wstring SystemInfFolder() {
    wchar_t windows[MAX_PATH] = L"";
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\inf";
}

std::vector<std::wstring> EnumerationOrder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    ::CreateDirectoryW(to.c_str(), nullptr);
    bool ok = true;
    for (const std::wstring& name : EnumerationOrder(from)) {
        const std::wstring source = from + L"\\" + name;
        const std::wstring target = to + L"\\" + name;
        if (::GetFileAttributesW(source.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(source, target) && ok;
        else
            ok = ::CopyFileW(source.c_str(), target.c_str(), FALSE) && ok;
    }
    return ok;
}

FolderSnapshot::FolderSnapshot(std::wstring folder)
    : m_folder(std::move(folder)), m_names(EnumerationOrder(m_folder)) {}

std::vector<std::wstring> FolderSnapshot::Added() const {
    std::vector<std::wstring> added;
    for (const std::wstring& name : EnumerationOrder(m_folder)) {
        const bool known = std::any_of(m_names.begin(), m_names.end(), [&](const std::wstring& n) {
            return ::lstrcmpiW(n.c_str(), name.c_str()) == 0;
        });
        if (!known)
            added.push_back(name);
    }
    return added;
}

void FolderSnapshot::RemoveAdded() const {
    for (const std::wstring& name : Added()) {
        const std::wstring path = m_folder + L"\\" + name;
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            continue;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path);
        } else {
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(path.c_str());
        }
    }
}

FolderStash::FolderStash(std::wstring folder) : m_folder(std::move(folder)) {
    for (const std::wstring& name : Files()) {
        const std::wstring path = m_folder + L"\\" + name;
        m_files.push_back({name, ReadFileBytes(path), ::GetFileAttributesW(path.c_str())});
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
    }
}

FolderStash::~FolderStash() {
    for (const std::wstring& name : Files()) {
        const std::wstring path = m_folder + L"\\" + name;
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
    }
    for (const File& file : m_files) {
        const std::wstring path = m_folder + L"\\" + file.name;
        WriteFileBytes(path, file.bytes);
        ::SetFileAttributesW(path.c_str(), file.attributes);
    }
}

std::vector<std::wstring> FolderStash::Files() const {
    std::vector<std::wstring> files;
    for (const std::wstring& name : EnumerationOrder(m_folder))
        if (!(::GetFileAttributesW((m_folder + L"\\" + name).c_str()) & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(name);
    return files;
}

void PutFile(const std::wstring& path, const std::string& bytes) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileBytes(path, bytes);
}

ULONGLONG WriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

void SetWriteTime(const std::wstring& path, ULONGLONG time) {
    win::FileHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    FILETIME written{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    ::SetFileTime(file.Get(), nullptr, nullptr, &written);
}

LogWatch::LogWatch()
    : m_number(engine::GetInstallLogFileNumber()),
      m_offset(
          ReadFileBytes(engine::GetInstallLogFolder() + engine::LogFileName(m_number)).size()) {}

std::vector<std::wstring> LogWatch::NewRecords() const {
    std::vector<std::wstring> records;
    const std::wstring folder = engine::GetInstallLogFolder();
    for (int number = m_number; number <= engine::GetInstallLogFileNumber(); ++number) {
        const std::string bytes = ReadFileBytes(folder + engine::LogFileName(number));
        for (const std::string& ansi : SplitLogRecords(bytes, number == m_number ? m_offset : 0)) {
            std::wstring record = win::FromAnsi(ansi.data(), ansi.size());
            // The time stamp: five spaces, "d-m-y,h:m:s:ms", a space and CR LF.
            const size_t stamp = record.rfind(L"     ");
            if (stamp != std::wstring::npos)
                record.erase(stamp);
            records.push_back(record);
        }
    }
    return records;
}

DWORD SpoolerServiceState() {
    win::ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    win::ServiceHandle service(
        manager ? ::OpenServiceW(manager.Get(), L"Spooler", SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS status{};
    if (!service || !::QueryServiceStatus(service.Get(), &status))
        return 0;
    return status.dwCurrentState;
}

bool PutSpoolerServiceIn(DWORD state) {
    win::ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    win::ServiceHandle service(
        manager ? ::OpenServiceW(manager.Get(), L"Spooler",
                                 SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP)
                : nullptr);
    if (!service)
        return false;
    SERVICE_STATUS status{};
    if (state == SERVICE_RUNNING)
        ::StartServiceW(service.Get(), 0, nullptr);
    else
        ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < 200; ++i) {
        if (::QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == state)
            return true;
        ::Sleep(50);
    }
    return false;
}

SpoolerServiceGuard::SpoolerServiceGuard() : m_initial(SpoolerServiceState()) {}

SpoolerServiceGuard::~SpoolerServiceGuard() {
    if ((m_initial == SERVICE_RUNNING || m_initial == SERVICE_STOPPED) &&
        SpoolerServiceState() != m_initial)
        PutSpoolerServiceIn(m_initial);
}

} // namespace installer_tests
