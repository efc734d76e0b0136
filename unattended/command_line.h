// The command line administrators and deployment systems give the installer. Started without
// arguments the program is the wizard.
#pragma once

#include <string>
#include <vector>

namespace unattended {

enum class Action {
    Wizard,    // no arguments
    Install,   // /quiet, /model, /port, /log, /report, /testpage, /newqueue, /allusers, /msi
    Uninstall, // /uninstall
    Check,     // /check
    Usage,     // /?
};

struct Options {
    Action action = Action::Wizard;
    bool quiet = false;
    bool testPage = false;
    bool newQueue = false;    // one more queue, with the copy name, even where the model has one
    bool allUsers = false;    // machine-wide shortcuts and log, as a run as SYSTEM has them
    bool fromPackage = false; // run by the Windows Installer package, whose entry is the product's
    std::wstring model;       // empty: the connected printer's model ("auto")
    std::wstring port;        // empty: the port the wizard would preselect ("auto")
    std::wstring logFile;
    std::wstring reportFile;
};

struct ParsedCommandLine {
    Options options;
    std::wstring error; // empty when the command line is sound; otherwise why not, in Chinese
};

// The arguments after the program's name, as Windows splits them. Switches start with '/' or
// '-' in any letter case; a value follows after ':' or as the next argument. An unknown switch,
// a missing value, a repeated switch, two actions, or a switch the action does not take is an
// error; the report and log files named are kept even then, so the error can be reported.
ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// The usage, in Chinese, with lines ending "\r\n".
std::wstring UsageText();

} // namespace unattended
