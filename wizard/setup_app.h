// The application: start-up, the modal wizard, and what runs after it however it ended.
#pragma once

#include <string>

class CSetupApp {
public:
    // The wizard's rows to preselect (from the command line; empty for the wizard's own choice).
    std::wstring preselectModel;
    std::wstring preselectPort;

    // The whole run of the wizard. Returns the process's exit code: 0 installed, 1602 closed
    // before the install, 1603 the install failed, 1619 the catalogue unreadable, 1633 a
    // processor neither package is for.
    int InitInstance();
};
