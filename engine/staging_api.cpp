// The platform entries that staging writes the system with.
#include "engine/staging_api.h"

#include <atomic>

namespace engine {

namespace {

std::atomic<const StagingApi*> g_override{nullptr};

} // namespace

const StagingApi& SystemStaging() {
    static const StagingApi api{&::CopyFileW, &::SetupCopyOEMInfW};
    return api;
}

const StagingApi& Staging() {
    const StagingApi* api = g_override.load();
    return api != nullptr ? *api : SystemStaging();
}

void SetStagingForTesting(const StagingApi* api) {
    g_override.store(api);
}

} // namespace engine
