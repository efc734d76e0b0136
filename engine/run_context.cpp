#include "engine/run_context.h"

#include "win/handle.h"

#include <windows.h>

#include <atomic>
#include <vector>

namespace engine {

namespace {

bool AskIsSystemAccount() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw))
        return false;
    const win::KernelHandle token(raw);
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
        return false;
    std::vector<unsigned char> buffer(size);
    if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
        return false;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    return ::IsWellKnownSid(user->User.Sid, WinLocalSystemSid) != FALSE;
}

// The account of a process does not change while it runs: asked once (every log record asks).
bool SystemIsSystemAccount() {
    static const bool system = AskIsSystemAccount();
    return system;
}

bool SystemCanShowWindows() {
    DWORD session = 0;
    if (::ProcessIdToSessionId(::GetCurrentProcessId(), &session) && session == 0)
        return false;
    HWINSTA station = ::GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (station != nullptr &&
        ::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), &needed))
        return (flags.dwFlags & WSF_VISIBLE) != 0;
    return true;
}

constexpr RunContextApi kSystemRunContext{SystemIsSystemAccount, SystemCanShowWindows};
std::atomic<const RunContextApi*> g_override{nullptr};
std::atomic<bool> g_allUsers{false};

} // namespace

const RunContextApi& RunContext() {
    const RunContextApi* api = g_override.load();
    return api != nullptr ? *api : kSystemRunContext;
}

void SetRunContextForTesting(const RunContextApi* api) {
    g_override.store(api);
}

bool RunsAsSystem() {
    return RunContext().IsSystemAccount();
}

bool CanShowWindows() {
    return RunContext().CanShowWindows();
}

void SetAllUsersRun(bool allUsers) {
    g_allUsers.store(allUsers);
}

bool MachineWideRun() {
    return g_allUsers.load() || RunsAsSystem();
}

} // namespace engine
