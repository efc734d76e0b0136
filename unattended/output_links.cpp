#include "unattended/output_links.h"

#include "engine/install_log.h"
#include "job/exit_codes.h"
#include "unattended/path_walk.h"
#include "unattended/runs.h"
#include "win/handle.h"

#include <aclapi.h>

#include <vector>

namespace unattended {

namespace {

DWORD SystemAttributes(const wchar_t* path) {
    return ::GetFileAttributesW(path);
}

bool SystemOwnedByAdministrators(const wchar_t* path, bool ofLink) {
    // Backup semantics open folders as well as files; READ_CONTROL is enough for the owner.
    win::FileHandle handle(::CreateFileW(
        path, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (ofLink ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
        nullptr));
    if (!handle)
        return false;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(handle.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const bool trusted =
        owner != nullptr && (::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                             ::IsWellKnownSid(owner, WinLocalSystemSid));
    ::LocalFree(descriptor);
    return trusted;
}

const LinkCheckApi kSystemLinkCheck{SystemAttributes, SystemOwnedByAdministrators};
const LinkCheckApi* g_linkCheck = &kSystemLinkCheck;

std::wstring FullPathOf(const std::wstring& path) {
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::vector<wchar_t> buffer(size);
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, buffer.data(), nullptr);
    return length == 0 || length >= size ? path : std::wstring(buffer.data(), length);
}

bool IsLink(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool AdministratorsMade(const std::wstring& link) {
    return LinkCheck().ownedByAdministrators(link.c_str(), true) &&
           LinkCheck().ownedByAdministrators(link.c_str(), false);
}

} // namespace

const LinkCheckApi& LinkCheck() {
    return *g_linkCheck;
}

const LinkCheckApi& SystemLinkCheck() {
    return kSystemLinkCheck;
}

void SetLinkCheckForTesting(const LinkCheckApi* api) {
    g_linkCheck = api != nullptr ? api : &kSystemLinkCheck;
}

std::wstring RefusedLinkOn(const std::wstring& path) {
    // Windows reads ".." before it follows any link; so does the walk, on the full path.
    for (const std::wstring& step : PathSteps(FullPathOf(path))) {
        const DWORD attributes = LinkCheck().attributes(step.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return L"";
        if (IsLink(attributes) && !AdministratorsMade(step))
            return step;
    }
    return L"";
}

bool IsAdministratorsLink(const std::wstring& path) {
    return IsLink(LinkCheck().attributes(path.c_str())) && AdministratorsMade(path);
}

int RefuseLinkedOutputs(const Options& options) {
    struct Output {
        const std::wstring& path;
        const wchar_t* what;
    };
    for (const Output& output :
         {Output{options.reportFile, L"报告文件"}, Output{options.logFile, L"日志文件"}}) {
        if (output.path.empty())
            continue;
        const std::wstring link = RefusedLinkOn(output.path);
        if (link.empty())
            continue;
        const std::wstring reason = std::wstring(output.what) +
                                    L"的路径经过链接（联接点或符号链接），已拒绝：" + output.path +
                                    L"（链接：" + link + L"）";
        engine::WriteInstallLog(reason, false);
        Tell(reason, options.quiet, MB_ICONERROR);
        return job::kExitBadCommandLine;
    }
    return 0;
}

} // namespace unattended
