// The install job: installs the chosen model by the Plug and Play way or the spooler way. The
// wizard runs it on a worker thread and hears of its end by WM_INSTALL_DONE; the unattended run
// calls it directly. Failures reach the caller through engine::JobObserver.
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
    // A repeated silent install: a queue of the model's driver on the port is taken over and its
    // driver updated in place, instead of a new copy being added. The wizard always adds.
    bool reuseQueue = false;
    // The product's own Apps & Features entry; off when a Windows Installer package installs it,
    // whose entry is then the one users and detection rules see.
    bool appsEntry = true;
};

enum class InstallRoute { PlugAndPlay, Spooler };

// What an installation did to the machine's queues.
enum class InstallChange {
    Added,     // a new queue (and its driver)
    Updated,   // an installed queue taken over; its driver's files or the monitor replaced
    Unchanged, // an installed queue taken over, its files already the distribution's
};

struct InstallOutcome {
    bool installed = false;
    InstallRoute route = InstallRoute::Spooler; // the way that gave the result
    InstallChange change = InstallChange::Added;
    std::wstring printerName;    // the queue's name, once it is known
    std::wstring driverName;     // the queue's driver, once it is known
    bool packageRefused = false; // the package checks failed before anything changed
    bool registered = false;     // the Apps & Features entry and the kept installer were written
};

// The whole job on the calling thread: the Plug and Play way when the printer on the machine
// reports the chosen model, otherwise (or when that way finds no device or fails) the spooler
// way; then, when a printer was installed, the product's entry in Apps & Features.
InstallOutcome RunInstallJob(const InstallRequest& request);

// Thread procedure (win::StartThread). Takes ownership of the InstallRequest and frees it last.
unsigned __stdcall InstallThreadProc(void* request);

// The spooler way: printer name, staging, registration, then the spooler's ordinal-204 entry.
// printerName, when given, receives the queue's name.
bool InstallPrinter(const std::wstring& modelName, const std::wstring& portName,
                    const std::wstring& dataFileName, std::wstring* printerName = nullptr);

// The spooler library's entry exported by ordinal 204 only, called once a printer of that name is
// in place. Its result is not examined.
void SpoolerOrdinal204(const std::wstring& printerName);
