// The first parallel printer port, and the device ID of the printer behind it.
#pragma once

#include "win/handle.h"

#include <windows.h>

#include <cstddef>
#include <string>

namespace discovery {

// Size of the model buffer the wizard hands to QueryParallelDeviceId.
constexpr std::size_t kParallelModelChars = 260;

// The device name to open for the first present port whose friendly name holds `filter`
// (case-sensitive; the wizard passes "LPT"): the name of the maker's printer found below the port
// ("LPT1.4"), else the port's name ("LPT1"). Empty when there is no such port. Failures to list
// the ports are recorded in the install log.
std::wstring FindParallelPortName(const std::wstring& filter);

// Opens "\\.\" + FindParallelPortName(filter) for overlapped I/O; an invalid handle when there
// is no port or it cannot be opened.
win::FileHandle OpenParallelPrinterDevice(const std::wstring& filter);

// Asks the printer on the port (opened for overlapped I/O) for its device ID, waiting at most
// kDeviceIdTimeoutMs, and writes its model into `model`, a buffer of `modelChars` characters, cut
// to fit and NUL-terminated. Returns 0 when the model was written; -1, with the buffer unchanged,
// for an invalid handle or buffer, a refused or unanswered request or an ID that names no
// manufacturer.
int QueryParallelDeviceId(HANDLE port, wchar_t* model, std::size_t modelChars);

} // namespace discovery
