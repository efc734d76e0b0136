// The IEEE 1284 ID request to a printer, bounded in time: a printer that never answers must not
// hold the wizard.
#pragma once

#include <windows.h>

namespace discovery {

// How long a printer is given to answer the ID request.
constexpr DWORD kDeviceIdTimeoutMs = 3000;

// Sends the request `code` to `device`, opened for overlapped I/O, into `answer` (capacity bytes),
// and waits for its answer at most kDeviceIdTimeoutMs. A request still running then is cancelled,
// and its end is awaited before the buffer is given up. True with the byte count in `received`
// (never more than capacity) when the request completed.
bool RequestDeviceId(HANDLE device, DWORD code, unsigned char* answer, DWORD capacity,
                     DWORD& received);

} // namespace discovery
