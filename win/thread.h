// Starting a worker thread with the C run-time's thread start, so the run-time's per-thread state
// is set up for it.
#pragma once

#include "win/handle.h"

namespace win {

using ThreadProc = unsigned(__stdcall*)(void* parameter);

// Starts `proc(parameter)` at normal priority, not suspended. The handle is invalid on failure.
KernelHandle StartThread(ThreadProc proc, void* parameter);

} // namespace win
