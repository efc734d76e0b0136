#include "win/thread.h"

#include <process.h>

namespace win {

KernelHandle StartThread(ThreadProc proc, void* parameter) {
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, proc, parameter, 0, nullptr);
    return KernelHandle(reinterpret_cast<HANDLE>(handle));
}

} // namespace win
