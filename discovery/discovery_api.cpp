// The system's discovery entries and a test's replacement of them.
#include "discovery/discovery_api.h"

#include <atomic>

namespace discovery {

namespace {

std::atomic<const DiscoveryApi*> g_override{nullptr};

DiscoveryApi SystemEntries() {
    DiscoveryApi api{};
    api.SetupDiGetClassDevsW = &::SetupDiGetClassDevsW;
    api.CreateFileW = &::CreateFileW;
    api.DeviceIoControl = &::DeviceIoControl;
    // setupapi exports the configuration manager's entries too, so cfgmgr32 is not imported.
    api.CM_Locate_DevNodeW = &::CM_Locate_DevNodeW;
    api.CM_Reenumerate_DevNode = &::CM_Reenumerate_DevNode;
    api.CM_Get_Child = &::CM_Get_Child;
    api.CM_Get_Sibling = &::CM_Get_Sibling;
    api.CM_Get_Device_ID_Size = &::CM_Get_Device_ID_Size;
    api.CM_Get_Device_IDW = &::CM_Get_Device_IDW;
    return api;
}

} // namespace

const DiscoveryApi& SystemDiscovery() {
    static const DiscoveryApi api = SystemEntries();
    return api;
}

const DiscoveryApi& Discovery() {
    const DiscoveryApi* api = g_override.load();
    return api != nullptr ? *api : SystemDiscovery();
}

void SetDiscoveryForTesting(const DiscoveryApi* api) {
    g_override.store(api);
}

} // namespace discovery
