// The platform entries that staging writes the system with: the file copy and the setup
// library's INF staging. Tests replace them to produce refusals the test machine cannot.
#pragma once

#include <windows.h>
#include <setupapi.h>

namespace engine {

struct StagingApi {
    decltype(&::CopyFileW) CopyFileW;
    decltype(&::SetupCopyOEMInfW) SetupCopyOEMInfW;
};

// The entries in use: the system's, or a test's replacement.
const StagingApi& Staging();

// The system's entries.
const StagingApi& SystemStaging();

// Replaces the entries for the calling test; nullptr restores the system's.
void SetStagingForTesting(const StagingApi* api);

} // namespace engine
