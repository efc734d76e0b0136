// Choices both front ends make from the catalogue and the spooler's lists: the model a connected
// printer matches and the port to take. No Windows calls.
#pragma once

#include <string>
#include <vector>

namespace job {

// Every model the user is shown carries this prefix before the catalogue name.
constexpr const wchar_t* kModelPrefix = L"Korvane ";

// The catalogue entry (index into `names`) that a detected model matches: the last non-empty
// name that occurs in the detected model (case-sensitive substring); -1 when none does.
int MatchDetectedModel(const std::vector<std::wstring>& names, const std::wstring& detected);

// The port row to select: with a USB port number, the first row containing "USB%03d"; without
// one (0), the first row containing "LPT". -1 when no row does.
int PreselectPortRow(const std::vector<std::wstring>& rows, unsigned long usbPortNumber);

} // namespace job
