// What the Apps & Features entry says and which spooler objects a removal takes as the
// product's. No Windows calls.
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

// A folder's size in bytes as Apps & Features takes it: whole KiB, rounded up.
std::uint32_t EstimatedSizeKiB(std::uint64_t bytes);

// The command that runs the kept program: the path in quotes, then "/uninstall", and with quiet
// also "/quiet".
std::wstring UninstallCommand(const std::wstring& keptProgramPath, bool quiet);

// True when driverName is one the installer gives a catalogue model: "Korvane <model>" (the
// model as PrinterBaseName makes it) or a copy of it, "Korvane <model> (副本 <n>)" with n a
// number from 1. Compared as the spooler compares names: letter case aside (ASCII letters).
bool IsProductDriverName(const std::wstring& driverName, const std::vector<std::wstring>& models);

// The maker's files a removal deletes from the spooler's driver directory once the product's
// drivers are gone: the maker files of every catalogue model (its data file "<model>.GPD" among
// them), each once, in first-listed order, except those named in filesInUse (paths or bare
// names of files installed drivers still use; compared by the last part of the path, letter case
// aside).
std::vector<std::wstring> LeftOverDriverFiles(const std::vector<std::wstring>& models,
                                              const std::vector<std::wstring>& filesInUse);

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
    StartMenu,     // the Start-menu folder
    ProductEntry,  // the Apps & Features entry
    DriverFiles,   // a maker's file left in the driver directory that cannot be deleted
};

// A short English name of the step: "catalogue", "listPrinters", "removePrinter", "listDrivers",
// "removeDriver", "removeMonitor", "productFolder", "startMenu", "productEntry", "driverFiles"; ""
// for None.
const wchar_t* RemovalStepName(RemovalStep step);

} // namespace engine
