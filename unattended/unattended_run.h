// The runs started with arguments: the silent install, the removal, the pre-flight and the usage.
// Each returns the process's exit code.
#pragma once

#include "unattended/command_line.h"
#include "unattended/run_record.h"

#include <string>
#include <vector>

namespace unattended {

// The program's command line split as Windows splits it, without the program's name.
std::vector<std::wstring> ProgramArguments();

// Everything after the command line was read: the run it asks for. `parsed` may carry an error;
// `alreadyRunning` says another copy holds the installer's lock (the wizard mode brings that copy
// forward itself and does not come here).
int RunCommandLine(const ParsedCommandLine& parsed, bool alreadyRunning);

} // namespace unattended
