// The process's exit codes, as Windows installers report them to deployment systems.
#pragma once

namespace job {

constexpr int kExitSuccess = 0;                   // installed, removed, or every check passed
constexpr int kExitCancelled = 1602;              // the user closed the wizard before the install
constexpr int kExitInstallFailed = 1603;          // the install (or removal) failed: see its code
constexpr int kExitAlreadyRunning = 1618;         // another copy of the installer is running
constexpr int kExitDistributionUnreadable = 1619; // catalogue or this machine's package missing
constexpr int kExitBlockedByPolicy = 1625;        // Windows protected print mode forbids it
constexpr int kExitPlatformUnsupported = 1633;    // neither package runs on this processor
constexpr int kExitNewerVersionInstalled = 1638;  // a newer version of the product is installed
constexpr int kExitBadCommandLine = 1639;         // unknown switch, unknown model, missing value

} // namespace job
