// Registration with the local print spooler: the free printer name, then the language monitor,
// the printer driver and the printer queue.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>

namespace engine {

// "Korvane " + model, or with " (副本 n)" for the first n whose name no printer has yet.
std::wstring MakePrinterName(const std::wstring& modelName);

// Registers the language monitor, a driver named printerName built on Unidrv with the model's
// data file, and the queue printerName on portName. The files must already lie in the driver
// directory. Every failure reports its error code: "2" when the driver directory is unknown, "5"
// when the language monitor cannot be added, "4" when the spooler refuses the driver, "6" when it
// refuses the queue.
bool RegisterDriverAndPrinter(const std::wstring& printerName, const std::wstring& portName,
                              const std::wstring& dataFileName);

// What registering the language monitor did: added it, kept the installed one (the same file,
// byte for byte), or replaced an installed one of other bytes.
enum class MonitorChange { Added, Kept, Replaced };

// Registers the language monitor from the driver directory, as RegisterDriverAndPrinter does
// first. change, when given, receives what was done. False, with code "2" or "5" reported, when
// it cannot be.
bool RegisterLanguageMonitor(MonitorChange* change = nullptr);

// Registers the driver driverName again over the installed one, from the files in the driver
// directory, every file copied whatever its date: the queues on it keep their names, ports and
// settings and print with the new files. False, with code "2" or "4" reported, when refused.
bool UpdatePrinterDriver(const std::wstring& driverName, const std::wstring& dataFileName);

// Deals with a language monitor of the same name already installed: with addError, the error of
// the refused AddMonitorW, being ERROR_PRINT_MONITOR_ALREADY_INSTALLED, keeps an installed monitor
// whose file holds the same bytes as stagedFile (true, the spooler untouched); otherwise restarts
// the spooler, deletes the monitor, copies stagedFile into System32 and adds it again. False for
// any other addError or a refused step.
bool ReinstallLanguageMonitor(MONITOR_INFO_2W& monitorInfo, DWORD addError,
                              const std::wstring& stagedFile);

// True when the spooler's monitor `name` has a file identical to stagedFile.
bool InstalledMonitorIsOurs(const std::wstring& name, const std::wstring& stagedFile);

// Copies the staged monitor file into this Windows' System32 (through Sysnative from the 32-bit
// installer on 64-bit Windows) unless the same bytes lie there already. False when it cannot be.
bool PlaceMonitorInSystemFolder(const std::wstring& stagedFile);

} // namespace engine
