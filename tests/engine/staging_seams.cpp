// The staging seam in tests: refusing overwrites, scripted INF staging.
#include "tests/engine/staging_seams.h"

namespace installer_tests {

using engine::SystemStaging;

DWORD g_overwriteError = 0;
int g_overwrites = 0;
std::vector<DWORD> g_infErrors;
std::vector<InfCall> g_infCalls;

BOOL WINAPI CopyAsWindowsDoes(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
    if (!failIfExists) {
        ++g_overwrites;
        if (g_overwriteError != 0) {
            ::SetLastError(g_overwriteError);
            return FALSE;
        }
        const DWORD attributes = ::GetFileAttributesW(to);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    return SystemStaging().CopyFileW(from, to, failIfExists);
}

BOOL WINAPI ScriptedCopyOemInf(PCWSTR infPath, PCWSTR media, DWORD mediaType, DWORD copyStyle,
                               PWSTR destination, DWORD size, PDWORD required, PWSTR* component) {
    g_infCalls.push_back({infPath != nullptr ? infPath : L"(null)",
                          media != nullptr ? media : L"(null)", mediaType, copyStyle,
                          destination != nullptr ? size : 0});
    const size_t call = g_infCalls.size() - 1;
    if (call < g_infErrors.size() && g_infErrors[call] != 0) {
        ::SetLastError(g_infErrors[call]);
        return FALSE;
    }
    return SystemStaging().SetupCopyOEMInfW(infPath, media, mediaType, copyStyle, destination, size,
                                            required, component);
}

engine::StagingApi StagingWith(decltype(engine::StagingApi::CopyFileW) copy,
                               decltype(engine::StagingApi::SetupCopyOEMInfW) copyInf) {
    engine::StagingApi api = SystemStaging();
    if (copy != nullptr)
        api.CopyFileW = copy;
    if (copyInf != nullptr)
        api.SetupCopyOEMInfW = copyInf;
    return api;
}

} // namespace installer_tests
