// The platform entries of the device discovery that a test replaces: printer I/O and the
// configuration manager's device tree, which have no device behind them under Wine, and the
// device information set, whose refusal cannot be produced otherwise.
#pragma once

#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>

namespace discovery {

struct DiscoveryApi {
    decltype(&::SetupDiGetClassDevsW) SetupDiGetClassDevsW;
    // Opening a printer and its IEEE 1284 ID request.
    decltype(&::CreateFileW) CreateFileW;
    decltype(&::DeviceIoControl) DeviceIoControl;
    // The device tree below a parallel port.
    decltype(&::CM_Locate_DevNodeW) CM_Locate_DevNodeW;
    decltype(&::CM_Reenumerate_DevNode) CM_Reenumerate_DevNode;
    decltype(&::CM_Get_Child) CM_Get_Child;
    decltype(&::CM_Get_Sibling) CM_Get_Sibling;
    decltype(&::CM_Get_Device_ID_Size) CM_Get_Device_ID_Size;
    decltype(&::CM_Get_Device_IDW) CM_Get_Device_IDW;
};

// The entries in use: the system's, or a test's replacement.
const DiscoveryApi& Discovery();

// The system's entries.
const DiscoveryApi& SystemDiscovery();

// Replaces the entries for the calling test; nullptr restores the system's.
void SetDiscoveryForTesting(const DiscoveryApi* api);

} // namespace discovery
