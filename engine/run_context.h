// Who runs the installer and where. Deployment systems start it as the SYSTEM account in session
// 0, where no one sees a window; an administrator may ask for machine-wide places (/allusers).
// Tests replace the system's answers to play the SYSTEM account or session 0, which the test
// machine cannot be.
#pragma once

namespace engine {

struct RunContextApi {
    bool (*IsSystemAccount)(); // the process token's user is LocalSystem (S-1-5-18)
    bool (*CanShowWindows)();  // not session 0, and the window station is visible
};

// The entries in use: the system's, or a test's replacement.
const RunContextApi& RunContext();

// Replaces the entries for the calling test; nullptr restores the system's.
void SetRunContextForTesting(const RunContextApi* api);

// True when the process runs as the SYSTEM account.
bool RunsAsSystem();

// False in session 0 or on a window station that is not interactive: no one can answer a window
// there, so every run behaves as a silent one.
bool CanShowWindows();

// Machine-wide places (the common Programs folder for shortcuts, ProgramData for the log) are
// used for a run as SYSTEM, and for a run asked for all users. Set once, before the run starts.
void SetAllUsersRun(bool allUsers);
bool MachineWideRun();

} // namespace engine
