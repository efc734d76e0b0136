// The spooler's queues and drivers as a repeated install and the removal find them.
#pragma once

#include "engine/rerun_rules.h"

#include <string>
#include <vector>

namespace engine {

// The local queues with their drivers and ports. False, with the spooler's last error, when the
// spooler does not list them.
bool ListLocalQueues(std::vector<QueueListing>& queues);

// An installed driver: its name, its language monitor and every file it names, with the paths the
// spooler gives (data file second).
struct InstalledDriver {
    std::wstring name;
    std::wstring monitor;
    std::wstring dataFile;
    std::vector<std::wstring> files;
};

// The drivers of `environment` (nullptr: the calling program's own). False, with the spooler's
// last error, when the spooler does not list them.
bool ListInstalledDrivers(const wchar_t* environment, std::vector<InstalledDriver>& drivers);

// True when the driver driverName of this Windows' environment uses the model's data file and
// every maker's file the model's driver names (its resource library, settings, plug-ins and data
// file) holds the same bytes as the staged copy in the driver directory. False when the driver is
// missing, names another data file or lacks a file, or a file differs: it has to be registered
// again. The platform's Unidrv files are not compared: staging never replaces them.
bool DriverFilesCurrent(const std::wstring& driverName, const std::wstring& dataFileName);

} // namespace engine
