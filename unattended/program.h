// The program's start: the command line decides between the wizard and an unattended run, where
// no window may show, and one copy runs per machine.
#pragma once

#include "unattended/command_line.h"

#include <string>
#include <vector>

namespace unattended {

// The wizard's part, which the program gives.
struct WizardEntry {
    // Runs the wizard with the options' model and port preselected; returns its exit code.
    int (*run)(const Options& options);
    // Brings the running copy's wizard to the front (a second wizard started while one runs).
    void (*activateRunning)();
};

// Runs the program for `arguments` (those after its name) and returns its exit code. Where no one
// can answer a window (session 0, a window station no one sees) every run is silent, as with
// /quiet: the wizard's place is taken by a silent install of the connected printer, and what a
// window would have said goes to the log, the report and the exit code.
int RunProgram(const std::vector<std::wstring>& arguments, const WizardEntry& wizard);

} // namespace unattended
