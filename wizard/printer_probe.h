// The printer connected to this machine, as the model page and the unattended run both ask for it.
#pragma once

#include <string>

namespace wizard {

// The catalogue's VID_PID section becomes the USB printer filter; then the model the connected
// printer reports: the USB printer's first, else the first parallel port's. Empty when none
// answers.
std::wstring DetectConnectedModel(const std::wstring& cataloguePath);

} // namespace wizard
