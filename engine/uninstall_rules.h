// What the Apps & Features entry says, what the record of an install keeps, and which spooler
// objects and files a removal takes as the product's. No Windows calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// The entry under HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall.
constexpr wchar_t kProductEntryKeyName[] = L"VelmoraKorvaneReceiptPrinterDriver";
constexpr wchar_t kProductDisplayName[] = L"Korvane 82列票据打印机驱动";
constexpr wchar_t kProductPublisher[] = L"Velmora科技有限公司";
// The copy of the installer kept in the product folder, and the catalogue beside it.
constexpr wchar_t kKeptProgramName[] = L"Setup.exe";
constexpr wchar_t kKeptCatalogueName[] = L"PrinterInfo.ini";
constexpr wchar_t kUninstallSwitch[] = L"/uninstall";
constexpr wchar_t kQuietSwitch[] = L"/quiet";
// The first argument of the temporary copy that deletes the kept installer once the removal that
// started it has ended.
constexpr wchar_t kFinishRemovalSwitch[] = L"/finishremoval";

// A folder's size in bytes as Apps & Features takes it: whole KiB, rounded up.
std::uint32_t EstimatedSizeKiB(std::uint64_t bytes);

// The command that runs the kept program: the path in quotes, then "/uninstall", and with quiet
// also "/quiet".
std::wstring UninstallCommand(const std::wstring& keptProgramPath, bool quiet);

// True when driverName is one the installer gives a catalogue model: "Korvane <model>" (the
// model as PrinterBaseName makes it) or a copy of it, "Korvane <model> (副本 <n>)" with n a
// number from 1. Compared as the spooler compares names: letter case aside (ASCII letters).
bool IsProductDriverName(const std::wstring& driverName, const std::vector<std::wstring>& models);

// The files a removal deletes from the spooler's driver directory once the product's drivers are
// gone: every file staged for a catalogue model, the maker's (its data file "<model>.GPD" among
// them) first, then the platform's Unidrv files, each once, in first-listed order, except those
// named in filesInUse (paths or bare names of files that installed drivers of any maker still
// use; compared by the last part of the path, letter case aside).
std::vector<std::wstring> LeftOverDriverFiles(const std::vector<std::wstring>& models,
                                              const std::vector<std::wstring>& filesInUse);

// What the installs of the product made, as their record keeps it.
struct InstallRecord {
    std::vector<std::wstring> printers, drivers, monitors;
    std::vector<std::wstring> stagedInfs; // file names in the system's INF folder ("oem12.inf")
    // The record was begun beside an install made before installs were recorded: what that one
    // made is known only by the catalogue's names.
    bool olderInstall = false;
};

// The names of REG_MULTI_SZ data, read as UTF-16 units with or without their closing NULs;
// empty names are dropped.
std::vector<std::wstring> MultiStringNames(const std::wstring& data);

// The names as REG_MULTI_SZ data: each followed by a NUL, and one NUL more.
std::wstring MultiStringOf(const std::vector<std::wstring>& names);

// True when names holds name, letter case aside (ASCII letters, as the spooler compares).
bool ListsName(const std::vector<std::wstring>& names, const std::wstring& name);

// Adds name unless it is empty or listed already; true when added.
bool AddName(std::vector<std::wstring>& names, const std::wstring& name);

// The record after an install added `made` to it: every name of `made` appended where it is not
// listed yet; olderInstall kept, or set by made.
InstallRecord MergedRecord(const InstallRecord& record, const InstallRecord& made);

// Whether a removal takes a driver as the product's. Without a record (an install made before
// installs were recorded), a driver the catalogue names as IsProductDriverName does; with a
// record, only a driver the record names, or also one the catalogue names when the record was
// begun beside an older install. A queue is the product's when its driver is: a queue of ours
// that the user renamed still goes, and a queue bearing one of our names on another driver stays.
bool IsRemovableDriver(const std::wstring& driverName, const InstallRecord* record,
                       const std::vector<std::wstring>& models);

// Whether the removal may delete the monitor `name` once no driver names it: without a record,
// or with one begun beside an older install, always; otherwise when an install recorded adding it.
bool IsRemovableMonitor(const std::wstring& name, const InstallRecord* record);

// The steps of a removal, as the caller's report names them.
enum class RemovalStep {
    None,
    Catalogue,     // the catalogue beside the program cannot be read
    ListPrinters,  // EnumPrintersW
    RemovePrinter, // OpenPrinterW or DeletePrinter; ERROR_BUSY: still listed after its deletion
    ListDrivers,   // EnumPrinterDriversW
    RemoveDriver,  // DeletePrinterDriverExW, or a driver left because a queue still uses it
    RemoveMonitor, // DeleteMonitorW
    ProductFolder, // a file or folder of the product folder
    StartMenu,     // a Start-menu folder of the product, in any of its places
    ProductEntry,  // the Apps & Features entry
    DriverFiles,   // a maker's file left in the driver directory that cannot be deleted
    StagedInf,     // SetupUninstallOEMInfW of an INF an install staged
    KeptProgram,   // the temporary copy that deletes the running kept installer cannot start
    InstallRecord, // the record of what the installs made
};

// A short English name of the step: "catalogue", "listPrinters", "removePrinter", "listDrivers",
// "removeDriver", "removeMonitor", "productFolder", "startMenu", "productEntry", "driverFiles"; ""
// for None.
const wchar_t* RemovalStepName(RemovalStep step);

} // namespace engine
