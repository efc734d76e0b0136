// The application: start-up, the modal wizard, and what runs after it however it ended.
#pragma once

class CSetupApp {
public:
    // The whole run of the program. Always returns false: there is no message loop after it.
    bool InitInstance();
};
