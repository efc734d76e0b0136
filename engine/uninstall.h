// Removal of what the installer made: the product's printer queues, their drivers, the language
// monitor, the product folder with the kept installer, the Start-menu folder and the Apps &
// Features entry. The install log stays. Shows nothing.
#pragma once

#include "engine/uninstall_rules.h"

#include <windows.h>

#include <string>
#include <vector>

namespace engine {

// Where the removal looks. Folders end with a backslash; an empty folder is one the system does
// not tell, and is left alone.
struct UninstallPlaces {
    std::wstring cataloguePath;   // names the models whose drivers are the product's
    std::wstring productFolder;   // Program Files (x86)\Vantrel打印机\ .
    std::wstring startMenuFolder; // <Start menu>\Vantrel打印机\ .
    std::wstring runningProgram;  // the program running the removal
};

// The catalogue beside the running program, the product and Start-menu folders of this machine
// and user, and the running program.
UninstallPlaces DefaultUninstallPlaces();

struct RemovalFailure {
    RemovalStep step = RemovalStep::None;
    unsigned long error = 0;
    std::wstring object; // the printer, driver, monitor, file or key concerned
};

struct UninstallResult {
    // True when nothing of the product remains, or remains only until the next restart
    // (restartPending); also when nothing was installed.
    bool succeeded = false;
    // Every failed step in order; the first is the one to report.
    std::vector<RemovalFailure> failures;
    bool nothingInstalled = false; // nothing of the product was found
    std::vector<std::wstring> removedPrinters, removedDrivers;
    // The product's queues and drivers still installed after the removal.
    std::vector<std::wstring> remainingPrinters, remainingDrivers;
    bool monitorRemoved = false;
    // The monitor stays because a driver that is not the product's names it; not a failure.
    bool monitorKeptForOtherDriver = false;
    bool productFolderRemoved = false;
    bool startMenuFolderRemoved = false;
    bool entryRemoved = false;
    // The running program (or, when it could not be moved out, the product folder) is deleted at
    // the next restart.
    bool restartPending = false;
};

// Removes the product. The queues whose driver is one of the catalogue's "Korvane <model>"
// drivers (or a copy, " (副本 n)") are deleted first; a driver is deleted (with its unused files)
// only once no queue uses it, and the language monitor only once no installed driver names it.
// A refused step is logged and recorded, and the removal goes on with what it can remove safely.
// While a queue or driver of the product remains, the entry and the kept installer with its
// catalogue stay in the product folder, so the removal can be run again from Apps & Features.
// A catalogue that cannot be read changes nothing (step Catalogue): without it no driver can be
// told to be the product's.
UninstallResult UninstallProduct(const UninstallPlaces& places);
UninstallResult UninstallProduct();

// The file entry a removal moves and schedules files with. Tests replace it to produce refusals.
struct RemovalFilesApi {
    decltype(&::MoveFileExW) MoveFileExW;
};
const RemovalFilesApi& RemovalFiles();
void SetRemovalFilesForTesting(const RemovalFilesApi* api);

} // namespace engine
