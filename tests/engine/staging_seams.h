// The staging seam in tests: a file copy that refuses overwrites the way Windows refuses them to
// anyone but root, and a setup library with scripted answers that records its arguments.
#pragma once

#include "engine/staging_api.h"

#include <string>
#include <vector>

namespace installer_tests {

// Overwrites fail with g_overwriteError; while it is 0, an overwrite of a read-only target fails
// with ERROR_ACCESS_DENIED. Copies to a missing target and allowed overwrites go to the system.
extern DWORD g_overwriteError;
extern int g_overwrites; // overwrites asked for
BOOL WINAPI CopyAsWindowsDoes(LPCWSTR from, LPCWSTR to, BOOL failIfExists);

// SetupCopyOEMInfW answering call n with g_infErrors[n] (0, or no entry: the setup library's own
// answer) and recording each call.
struct InfCall {
    std::wstring infPath;
    std::wstring mediaLocation;
    DWORD mediaType;
    DWORD copyStyle;
    DWORD nameBuffer; // the size of the buffer given for the staged copy's name; 0 for none
};
extern std::vector<DWORD> g_infErrors;
extern std::vector<InfCall> g_infCalls;
BOOL WINAPI ScriptedCopyOemInf(PCWSTR infPath, PCWSTR media, DWORD mediaType, DWORD copyStyle,
                               PWSTR destination, DWORD size, PDWORD required, PWSTR* component);

// The system's staging entries with the given ones (nullptr: the system's) in their place.
engine::StagingApi StagingWith(decltype(engine::StagingApi::CopyFileW) copy,
                               decltype(engine::StagingApi::SetupCopyOEMInfW) copyInf);

// The staging entries replaced for the length of a scope.
class StagingOverride {
public:
    explicit StagingOverride(const engine::StagingApi& api) : m_api(api) {
        engine::SetStagingForTesting(&m_api);
    }
    ~StagingOverride() { engine::SetStagingForTesting(nullptr); }
    StagingOverride(const StagingOverride&) = delete;
    StagingOverride& operator=(const StagingOverride&) = delete;

private:
    const engine::StagingApi m_api;
};

} // namespace installer_tests
