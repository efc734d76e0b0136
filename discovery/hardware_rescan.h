// Rescanning a parallel port's device node and searching the nodes below it for the maker's
// printer.
#pragma once

#include <windows.h>

#include <string>

namespace discovery {

// Locates the device node of the instance ID and asks the Plug and Play manager to enumerate its
// children again. A failure is recorded in the install log.
BOOL RescanDeviceNode(const std::wstring& instanceId);

// For each present parallel port interface whose device's friendly name names the port ("LPT1"),
// rescans the port's node and walks its children, up to three times, for one whose instance ID
// holds "Korvane". On success `instanceId` receives that child's ID (a later matching port
// overwrites an earlier one); otherwise it is left as it was. Failures are recorded in the
// install log.
BOOL FindPrinterOnParallelPort(const std::wstring& portName, std::wstring& instanceId);

} // namespace discovery
