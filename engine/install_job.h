// The install job: on a worker thread, installs the chosen model by the Plug and Play way or the
// spooler way and reports once to the wizard with WM_INSTALL_DONE.
#pragma once

#include <windows.h>

#include <string>

// Sent once by the job, synchronously, to the request's owner window: wParam 0, lParam 1 when a
// printer was installed, 0 when not.
constexpr UINT WM_INSTALL_DONE = WM_USER + 101;

struct InstallRequest {
    virtual ~InstallRequest() = default;
    HWND ownerWindow = nullptr;
    std::wstring modelName;         // catalogue name, without the "Korvane " prefix
    std::wstring portName;          // such as USB001 or LPT1:
    std::wstring dataFileName;      // modelName + ".GPD"
    std::wstring detectedModelName; // what the connected printer reports; empty when none
};

// Thread procedure (win::StartThread). Takes ownership of the InstallRequest and frees it last.
unsigned __stdcall InstallThreadProc(void* request);

// The spooler way: printer name, staging, registration, then the spooler's ordinal-204 entry.
bool InstallPrinter(const std::wstring& modelName, const std::wstring& portName,
                    const std::wstring& dataFileName);

// The spooler library's entry exported by ordinal 204 only, called once a printer of that name is
// in place. Its result is not examined.
void SpoolerOrdinal204(const std::wstring& printerName);
