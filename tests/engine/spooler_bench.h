// Wine's spooler seen by the registration tests: a spooler seam that records every call with its
// record before passing it on (or refusing it as told), a service seam that records the calls, and
// the spooler's printers, drivers and monitors read back.
#pragma once

#include "engine/spooler_api.h"
#include "engine/service_api.h"
#include "tests/support/spooler_objects.h"

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace installer_tests {

using testing_support::Names;

// A string field of a record: its text, or "(null)".
std::wstring Text(const wchar_t* text);
// The names of a NUL-separated list ending with an empty name.
Names NamesOf(const wchar_t* list);
std::wstring FileNameOf(const std::wstring& path);

struct MonitorRecord {
    DWORD level;
    std::wstring name, environment, dll;
};

struct DriverRecord {
    DWORD level = 0, version = 0;
    std::wstring name, environment, driverPath, dataFile, configFile, helpFile;
    Names dependentFiles;
    std::wstring monitorName, defaultDataType, previousNames, manufacturer, oemUrl, hardwareId,
        provider;
    FILETIME date{};
    DWORDLONG driverVersion = 0;
};

struct PrinterRecord {
    DWORD level = 0;
    PRINTER_INFO_2W fields{};
    std::wstring serverName, printerName, shareName, portName, driverName, comment, location,
        separatorFile, printProcessor, dataType, parameters;
};

struct SpoolerScript {
    std::vector<std::string> calls;
    std::vector<MonitorRecord> monitors;
    std::vector<DriverRecord> drivers;
    std::vector<PrinterRecord> printers;
    std::vector<std::wstring> deletedMonitors; // name and environment
    std::vector<std::wstring> deletedPrinters; // the printer's name
    std::vector<std::wstring> deletedDrivers;  // name, environment and flags
    // The error with which a call is refused; 0 passes it to the spooler.
    DWORD refuseAddMonitor = 0, refuseSecondAddMonitor = 0, refuseDeleteMonitor = 0,
          refuseAddDriver = 0, refuseDeletePrinter = 0, refuseDeleteDriver = 0;
    // DeletePrinter succeeds but the printer stays, as one with jobs waiting does.
    bool keepDeletedPrinter = false;
    bool refuseEmptyPort = true; // as Windows does; Wine accepts any port name
};

// What the recording spooler saw, and what it refuses. Reset it between cases.
extern SpoolerScript g_spooler;
engine::SpoolerApi RecordingSpooler();

// The service control manager's calls, recorded; opening the manager is refused with
// g_refuseManager when it is not 0.
extern DWORD g_refuseManager;
extern std::vector<std::wstring> g_serviceCalls;
// When not 0, the state the service reports once it has been asked to stop (to start), whatever
// it does: a service stuck on its way. Reset them between cases.
extern DWORD g_stuckAfterStop, g_stuckAfterStart;
engine::ServiceControlApi RecordingServices();

using testing_support::Contains;
using testing_support::DriverNames;
using testing_support::MonitorNames;
using testing_support::PrinterNames;

// Deletes every printer and driver named "Korvane ..." and the language monitor.
void RemoveMakersSpoolerObjects(); // and the monitor's file in System32

// A printer's driver (level 3) and queue (level 2) as the spooler gives them back.
struct ReadBack {
    bool found = false;
    DWORD version = 0;
    std::wstring driverPath, dataFile, configFile, helpFile, monitorName, defaultDataType;
    Names dependentFiles;
    std::wstring printerName, portName, driverName, printProcessor, dataType;
    DWORD attributes = 0;
};
ReadBack ReadPrinter(const std::wstring& name);

bool SameFileName(const std::wstring& a, const std::wstring& b);

} // namespace installer_tests
