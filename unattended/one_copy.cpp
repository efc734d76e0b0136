#include "unattended/one_copy.h"

#include "engine/install_log.h"

#include <sddl.h>

#include <atomic>

namespace unattended {

namespace {

constexpr OneCopyApi kSystemOneCopy{::CreateMutexW, ::OpenMutexW};
std::atomic<const OneCopyApi*> g_override{nullptr};

// SYSTEM and administrators may do anything with the mutex; every account may wait on it and ask
// for its state, so that a copy of any account sees it.
constexpr wchar_t kMutexSecurity[] = L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;WD)";

} // namespace

const OneCopyApi& OneCopy() {
    const OneCopyApi* api = g_override.load();
    return api != nullptr ? *api : kSystemOneCopy;
}

void SetOneCopyForTesting(const OneCopyApi* api) {
    g_override.store(api);
}

bool TakeOneCopyMutex(win::KernelHandle& held) {
    const OneCopyApi& api = OneCopy();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(kMutexSecurity, SDDL_REVISION_1,
                                                               &descriptor, nullptr))
        attributes.lpSecurityDescriptor = descriptor;
    HANDLE mutex = api.CreateMutexW(&attributes, FALSE, kOneCopyMutexName);
    const DWORD created = ::GetLastError();
    held.Attach(mutex);
    if (descriptor != nullptr)
        ::LocalFree(descriptor);
    if (held)
        return created != ERROR_ALREADY_EXISTS;
    if (created != ERROR_ACCESS_DENIED) {
        engine::WriteInstallStep(L"CreateMutex", created);
        return true;
    }
    // Refused: a mutex of another account that this one may not open for all access, or no
    // right to make a global object. Opening it to wait tells which.
    const win::KernelHandle other(api.OpenMutexW(SYNCHRONIZE, FALSE, kOneCopyMutexName));
    const DWORD opened = ::GetLastError();
    if (other || opened == ERROR_ACCESS_DENIED)
        return false;
    engine::WriteInstallStep(L"CreateMutex", created);
    return true;
}

} // namespace unattended
