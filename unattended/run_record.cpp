#include "unattended/run_record.h"

#include "engine/install_log.h"
#include "engine/log_record.h"
#include "engine/package_locator.h"
#include "job/exit_codes.h"
#include "unattended/output_links.h"
#include "win/handle.h"
#include "win/module_version.h"

#include <windows.h>

namespace unattended {

namespace {

std::wstring UtcNow() {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    return IsoUtcTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                      now.wMilliseconds);
}

bool (*g_reportMoveHook)(const std::wstring&) = nullptr;

// The file a link at `path` leads to, as Windows names it; empty when it cannot be found.
std::wstring LinkTarget(const std::wstring& path) {
    win::FileHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    wchar_t target[MAX_PATH * 2] = L"";
    const DWORD length =
        file ? ::GetFinalPathNameByHandleW(file.Get(), target, MAX_PATH * 2, FILE_NAME_NORMALIZED)
             : 0;
    return length == 0 || length >= MAX_PATH * 2 ? L"" : std::wstring(target, length);
}

// Writes the report whole or not at all: into a new file beside it, flushed, then moved over it
// in one step. A run that ends before the move leaves the previous report (or none) untouched.
// False (with the reason in the log) when it cannot be written.
bool WriteReport(const std::wstring& path, const Report& report) {
    auto fail = [&](const std::wstring& why, DWORD error) {
        ::SetLastError(error);
        engine::WriteInstallLog(L"报告无法写入 " + path + L"：" + why, true);
        return false;
    };
    // A link put on the path since the run began is refused as at its start; a link that an
    // administrator made is followed, and the file it leads to is replaced.
    const std::wstring link = RefusedLinkOn(path);
    if (!link.empty())
        return fail(L"路径经过链接（联接点或符号链接）" + link, ERROR_ACCESS_DENIED);
    std::wstring target = path;
    if (IsAdministratorsLink(path)) {
        target = LinkTarget(path);
        if (target.empty())
            return fail(L"链接指向的文件找不到", ::GetLastError());
    }
    const size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
    const std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);

    // The new file's name is this process's own; an old one of that name (from a run that ended
    // early with the same process number) is not reused, nor is a link followed.
    const std::string bytes = ReportJson(report);
    std::wstring temporary;
    win::FileHandle file;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        temporary = folder + L"~" + name + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                    std::to_wstring(attempt) + L".tmp";
        file.Attach(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file && ::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (!file)
        return fail(L"临时文件无法创建", ::GetLastError());
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) ||
        written != bytes.size() || !::FlushFileBuffers(file.Get())) {
        const DWORD error = ::GetLastError();
        file.Close();
        ::DeleteFileW(temporary.c_str());
        return fail(L"临时文件无法写入", error);
    }
    file.Close();
    // A test may stop the run here, as a deployment system's time-out would.
    if (g_reportMoveHook != nullptr && !g_reportMoveHook(temporary))
        return false;
    if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(temporary.c_str());
        return fail(L"无法替换为新报告", error);
    }
    return true;
}

} // namespace

void SetReportMoveHookForTesting(bool (*hook)(const std::wstring& temporaryFile)) {
    g_reportMoveHook = hook;
}

bool CreateFolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0)
        return true;
    const std::wstring folder = path.substr(0, slash);
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // "C:" or "\\\\server\\share" are there or not; below them, each folder in turn.
    if (folder.size() <= 2 || folder.back() == L':')
        return false;
    if (!CreateFolderOf(folder))
        return false;
    return ::CreateDirectoryW(folder.c_str(), nullptr) != FALSE ||
           ::GetLastError() == ERROR_ALREADY_EXISTS;
}

void ReportRecorder::OnStep(const std::wstring& step, unsigned long error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_steps.push_back({step, error == 0, error});
}

void ReportRecorder::OnFailure(const std::wstring& code) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // The first code is the cause; later ones follow from it.
    if (m_code.empty())
        m_code = code;
}

std::wstring ReportRecorder::Code() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_code;
}

std::vector<ReportStep> ReportRecorder::Steps() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_steps;
}

RunRecord::RunRecord(const Options& options) : m_options(options), m_started(::GetTickCount64()) {
    m_report.startedAt = UtcNow();
    m_report.version = win::ProgramVersion();
    const engine::PackagePlatform platform = engine::NativePlatform();
    m_report.package = platform == engine::PackagePlatform::X64   ? L"X64"
                       : platform == engine::PackagePlatform::X86 ? L"i386"
                                                                  : L"";
    const wchar_t* environment = engine::SpoolerEnvironment();
    m_report.environment = environment != nullptr ? environment : L"";
    // The folders the administrator named are made now, so that a missing one does not fail a
    // finished installation at its very end.
    for (const std::wstring* path : {&options.logFile, &options.reportFile})
        if (!path->empty() && !CreateFolderOf(*path))
            engine::WriteInstallStep(L"CreateDirectory " + *path, ::GetLastError());
    // The run began with a path free of links not made by an administrator (RefuseLinkedOutputs);
    // the copy follows a link at its end only when an administrator made it.
    engine::SetInstallLogCopy(options.logFile,
                              !options.logFile.empty() && IsAdministratorsLink(options.logFile));
}

int RunRecord::Finish(const std::wstring& result, int exitCode, const std::wstring& message) {
    m_report.result = result;
    m_report.exitCode = exitCode;
    if (m_report.errorCode.empty())
        m_report.errorCode = m_recorder.Code();
    if (!message.empty()) {
        m_report.message = message;
        engine::WriteInstallLog(message, false);
    }
    engine::WriteInstallLog(L"运行结束：" + result + L"，退出代码 " + std::to_wstring(exitCode),
                            false);
    // The administrator's copy of the log is part of what was asked for: a run whose copy misses
    // records is a failed run, as one whose report cannot be written.
    if (!m_options.logFile.empty() && engine::InstallLogCopyFailed() &&
        m_report.exitCode == job::kExitSuccess) {
        m_report.result = L"failed";
        m_report.exitCode = job::kExitInstallFailed;
        m_report.message = L"日志文件无法写入：" + m_options.logFile;
        engine::WriteInstallLog(m_report.message, false);
    }
    m_report.steps = m_recorder.Steps();
    const std::wstring folder = engine::GetInstallLogFolder();
    m_report.installLog =
        folder.empty() ? L"" : folder + engine::LogFileName(engine::GetInstallLogFileNumber());
    m_report.log = m_options.logFile.empty() ? m_report.installLog : m_options.logFile;
    m_report.durationMs = static_cast<long long>(::GetTickCount64() - m_started);
    int code = m_report.exitCode;
    if (!m_options.reportFile.empty() && !WriteReport(m_options.reportFile, m_report)) {
        // The deployment system reads the report: a run it cannot read of is a failed run.
        if (code == job::kExitSuccess)
            code = job::kExitInstallFailed;
    }
    engine::SetInstallLogCopy(L"");
    return code;
}

int RunRecord::FinishWizard(int exitCode) {
    m_report.model = m_options.model;
    m_report.port = m_options.port;
    switch (exitCode) {
    case job::kExitSuccess:
        return Finish(L"installed", exitCode);
    case job::kExitCancelled:
        return Finish(L"cancelled", exitCode);
    default:
        return Finish(L"failed", exitCode);
    }
}

} // namespace unattended
