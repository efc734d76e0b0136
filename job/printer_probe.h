// The printer connected to this machine, as the model page and the unattended run both ask for it.
#pragma once

#include <string>
#include <vector>

namespace job {

// The catalogue's VID_PID section becomes the USB printer filter; then the model the connected
// printer reports: the USB printer's first, else the first parallel port's. Empty when none
// answers.
std::wstring DetectConnectedModel(const std::wstring& cataloguePath);

enum class PortListing {
    Listed,
    SizeRefused, // the spooler would not say how large its list is
    ListRefused, // the spooler would not give the list
};

// The spooler's port names (level 1), in its order. On a refusal the calling thread's last error
// is the spooler's.
PortListing ListSpoolerPorts(std::vector<std::wstring>& names);

} // namespace job
