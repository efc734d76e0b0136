// Removal of what the installer made: the product's printer queues, their drivers, the language
// monitor, the driver files and staged INFs, the Start-menu folders, the product folder with the
// kept installer, the record of installs and the Apps & Features entry. The install log stays.
// Shows nothing.
#pragma once

#include "engine/uninstall_rules.h"

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

namespace engine {

// Where the removal looks. Folders end with a backslash; an empty folder is one the system does
// not tell, and is left alone.
struct UninstallPlaces {
    std::wstring cataloguePath; // names the models whose drivers are the product's
    std::wstring productFolder; // Program Files (x86)\Vantrel打印机\ .
    // <Programs>\Vantrel打印机\ in the user's and the common Programs folder, and
    // <Start menu>\Vantrel打印机\ where earlier versions made it; each is removed when present.
    std::vector<std::wstring> startMenuFolders;
    std::wstring runningProgram; // the program running the removal
};

// The catalogue beside the running program, the product folder of this machine, the product's
// Start-menu folders of this user and of all users (GetProductStartMenuFolders), and the running
// program.
UninstallPlaces DefaultUninstallPlaces();

struct RemovalFailure {
    RemovalStep step = RemovalStep::None;
    unsigned long error = 0;
    std::wstring object; // the printer, driver, monitor, file or key concerned
};

struct UninstallResult {
    // True when nothing of the product remains, or remains only until the next restart
    // (restartPending) or until the running kept installer has ended (finisherStarted); also
    // when nothing was installed.
    bool succeeded = false;
    // A record of installs was found: only what it names was taken as the product's.
    bool recorded = false;
    // Every failed step in order; the first is the one to report.
    std::vector<RemovalFailure> failures;
    bool nothingInstalled = false; // nothing of the product was found
    std::vector<std::wstring> removedPrinters, removedDrivers;
    std::vector<std::wstring> removedInfs; // the staged INFs' names in the system's INF folder
    // The product's queues and drivers still installed after the removal.
    std::vector<std::wstring> remainingPrinters, remainingDrivers;
    bool monitorRemoved = false;
    // The monitor stays because a driver that is not the product's names it; not a failure.
    bool monitorKeptForOtherDriver = false;
    bool productFolderRemoved = false;
    bool startMenuFolderRemoved = false; // none of the places' Start-menu folders remains
    bool entryRemoved = false;
    // A driver file that could not be deleted is deleted at the next restart.
    bool restartPending = false;
    // The removal runs from the product folder: its temporary copy deletes the running program
    // once this process has ended. movedOut: the program was moved into the temporary folder and
    // the product folder is gone already.
    bool finisherStarted = false;
    bool movedOut = false;
};

// Removes the product. Its queues (those on its drivers: with a record of installs, the drivers
// the record names; without, the catalogue's "Korvane <model>" drivers or copies, " (副本 n)")
// are purged of their jobs and deleted first; a driver is deleted (with its unused files) only
// once no queue uses it, the language monitor only once no installed driver names it, the staged
// INFs only once no driver of the product remains. Then the driver files no driver names, the
// Start-menu folders (every place, this user's and all users') and the product folder. A refused
// step is logged and recorded, and the removal goes on with what it can remove safely. Only when
// everything else is gone do the kept installer, the record and the entry go; until then they stay,
// so the removal can be run again from Apps & Features. A removal running from the product folder
// leaves the folder it runs in first, and its running program to its finishing copy
// (self_removal.h). Nothing is scheduled for the next restart but a driver file that cannot be
// deleted now. A catalogue that cannot be read changes nothing (step Catalogue).
UninstallResult UninstallProduct(const UninstallPlaces& places);
UninstallResult UninstallProduct();

// The entries a removal moves and schedules files with, removes staged INFs with, and starts its
// finishing copy with (StartRemovalFinisher). Tests replace them to produce refusals.
struct RemovalFilesApi {
    decltype(&::MoveFileExW) MoveFileExW;
    decltype(&::SetupUninstallOEMInfW) SetupUninstallOEMInfW;
    BOOL(WINAPI* StartFinisher)
    (LPCWSTR runningProgram, LPCWSTR productFolder, LPCWSTR movedProgram);
};
const RemovalFilesApi& SystemRemovalFiles();
const RemovalFilesApi& RemovalFiles();
void SetRemovalFilesForTesting(const RemovalFilesApi* api);

} // namespace engine
