// One installer per machine. Deployment systems run it as SYSTEM in session 0 while a user may
// have the wizard open in their own session: both copies must see each other, so the mutex is in
// the Global namespace, readable by every account.
#pragma once

#include "win/handle.h"

#include <windows.h>

namespace unattended {

constexpr wchar_t kOneCopyMutexName[] = L"Global\\Velmora.Korvane.Setup";

// The entries the check asks the system with. Tests replace them to play a mutex that another
// account made (one this account may not open), which one Wine session cannot show.
struct OneCopyApi {
    decltype(&::CreateMutexW) CreateMutexW;
    decltype(&::OpenMutexW) OpenMutexW;
};
const OneCopyApi& OneCopy();
void SetOneCopyForTesting(const OneCopyApi* api); // nullptr restores the system's

// Takes the machine's mutex for this copy, which keeps `held` until it ends. False when another
// copy runs: the mutex exists, or it exists and this account may not open it ("access denied").
// A mutex that cannot be made at all (no right to make global objects, and none exists) does not
// stop this copy.
bool TakeOneCopyMutex(win::KernelHandle& held);

} // namespace unattended
