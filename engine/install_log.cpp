#include "engine/install_log.h"

#include "engine/job_observer.h"
#include "engine/log_record.h"
#include "engine/run_context.h"
#include "win/handle.h"
#include "win/text.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <mutex>

namespace engine {

namespace {

// Process-wide number of the file that last received a record. It only grows.
std::atomic<int> g_logFileNumber{1};

// The administrator's copy of the log, and the lock that keeps its records whole.
std::mutex g_copyMutex;
std::wstring g_copyPath;
bool g_copyFollowsLink = false;
bool g_copyFailed = false;

// Another writer holds a log file only for the moment of one write; a file that stays locked for
// longer than this belongs to someone else, and the record is dropped rather than block the caller.
constexpr int kOpenAttempts = 10;
constexpr DWORD kOpenRetryDelayMs = 20;

// A shell folder's path, or "" when the system does not tell it.
std::wstring ShellFolderPath(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return std::wstring();
    return path;
}

std::wstring SystemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                        FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                    reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) {
        // The setup library's own codes (0xE000xxxx) have no system text.
        return L"(no system message)\r\n";
    }
    std::wstring text(buffer, length);
    ::LocalFree(buffer);
    return text;
}

LogTime LocalNow() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    LogTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.millisecond = st.wMilliseconds;
    return t;
}

enum class AppendResult { Written, Full, Locked };

AppendResult AppendRecord(const std::wstring& path, const std::string& bytes) {
    win::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return AppendResult::Locked;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size))
        return AppendResult::Locked;
    if (static_cast<std::uint64_t>(size.QuadPart) >= kLogRollOverBytes)
        return AppendResult::Full;
    LARGE_INTEGER zero{};
    ::SetFilePointerEx(file.Get(), zero, nullptr, FILE_END);
    // Each record ends with one NUL byte.
    DWORD written = 0;
    ::WriteFile(file.Get(), bytes.c_str(), static_cast<DWORD>(bytes.size() + 1), &written, nullptr);
    return AppendResult::Written;
}

} // namespace

void SetInstallLogCopy(const std::wstring& path, bool followLink) {
    std::lock_guard<std::mutex> lock(g_copyMutex);
    g_copyPath = path;
    g_copyFollowsLink = followLink;
    g_copyFailed = false;
}

bool InstallLogCopyFailed() {
    std::lock_guard<std::mutex> lock(g_copyMutex);
    return g_copyFailed;
}

namespace {

void AppendToCopy(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(g_copyMutex);
    if (g_copyPath.empty())
        return;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        // A link put in the copy's place is opened itself, not followed, and not written.
        win::FileHandle file(::CreateFileW(
            g_copyPath.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
            OPEN_ALWAYS,
            FILE_ATTRIBUTE_NORMAL | (g_copyFollowsLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
            nullptr));
        if (file) {
            BY_HANDLE_FILE_INFORMATION information{};
            if (!g_copyFollowsLink &&
                (!::GetFileInformationByHandle(file.Get(), &information) ||
                 (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
                g_copyFailed = true;
                return;
            }
            DWORD written = 0;
            if (!::WriteFile(file.Get(), bytes.c_str(), static_cast<DWORD>(bytes.size() + 1),
                             &written, nullptr) ||
                written != bytes.size() + 1)
                g_copyFailed = true;
            return;
        }
        ::Sleep(kOpenRetryDelayMs);
    }
    g_copyFailed = true;
}

} // namespace

namespace {

std::wstring LookUpLogFolder(bool machineWide) {
    LogPlaces places;
    places.machineWide = machineWide;
    if (!places.machineWide) {
        places.documents = ShellFolderPath(CSIDL_PERSONAL);
        const DWORD attributes = ::GetFileAttributesW(places.documents.c_str());
        places.documentsExists = !places.documents.empty() &&
                                 attributes != INVALID_FILE_ATTRIBUTES &&
                                 (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        wchar_t windows[MAX_PATH] = L"";
        const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
        if (length != 0 && length < MAX_PATH)
            places.windowsFolder.assign(windows, length);
    }
    places.programData = ShellFolderPath(CSIDL_COMMON_APPDATA);
    return InstallLogFolderFor(places);
}

} // namespace

std::wstring GetInstallLogFolder() {
    // Every record asks; the shell folders and the account do not change while the process runs,
    // so each of the two places is looked up once.
    static std::once_flag looked[2];
    static std::wstring folders[2];
    const int machineWide = MachineWideRun() ? 1 : 0;
    std::call_once(looked[machineWide],
                   [machineWide] { folders[machineWide] = LookUpLogFolder(machineWide != 0); });
    return folders[machineWide];
}

int GetInstallLogFileNumber() {
    return g_logFileNumber.load();
}

void WriteInstallLog(const std::wstring& text, bool withLastError) {
    const DWORD error = withLastError ? ::GetLastError() : 0;
    const std::wstring stamp = FormatLogTimestamp(LocalNow());

    const std::wstring record = FormatLogRecord(
        text, withLastError, error, withLastError ? SystemMessage(error) : std::wstring(), stamp);
    const std::string bytes = win::ToAnsi(record);
    AppendToCopy(bytes);

    const std::wstring folder = GetInstallLogFolder();
    if (folder.empty())
        return; // neither Documents nor ProgramData known: nowhere to keep the log
    ::CreateDirectoryW(folder.c_str(), nullptr);

    int number = g_logFileNumber.load();
    int lockedTries = 0;
    for (;;) {
        switch (AppendRecord(folder + LogFileName(number), bytes)) {
        case AppendResult::Written: {
            // Never move the shared number backwards past a file another writer found full.
            int seen = g_logFileNumber.load();
            while (seen < number && !g_logFileNumber.compare_exchange_weak(seen, number)) {
            }
            return;
        }
        case AppendResult::Full:
            ++number;
            break;
        case AppendResult::Locked:
            if (++lockedTries >= kOpenAttempts)
                return;
            ::Sleep(kOpenRetryDelayMs);
            break;
        }
    }
}

void WriteInstallStep(const std::wstring& step, unsigned long error) {
    ::SetLastError(error);
    WriteInstallLog(step, true);
    ReportStep(step, error);
    ::SetLastError(error);
}

} // namespace engine
