// The spooler's printers, drivers and monitors as any test program sees them through winspool, and
// another maker's driver and queue put beside ours.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

using Names = std::vector<std::wstring>;

// A spooler call that sizes and then fills its buffer: the bytes it filled, empty when it failed.
template <typename Fill> std::vector<BYTE> SpoolerBytes(Fill fill) {
    DWORD needed = 0;
    DWORD returned = 0;
    fill(nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed + sizeof(void*));
    if (!fill(buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &returned))
        buffer.clear();
    return buffer;
}

Names MonitorNames();
Names DriverNames();
Names PrinterNames(); // local printers
bool Contains(const Names& names, const std::wstring& name);

// A version-3 driver made of files already in the driver directory, optionally naming a language
// monitor, in `environment` (nullptr: the calling program's). False (with the spooler's last
// error) when refused.
bool AddFileDriver(const std::wstring& name, const std::wstring& driverPath,
                   const std::wstring& dataFile, const std::wstring& configFile,
                   const wchar_t* monitor = nullptr, const wchar_t* environment = nullptr);

// A local RAW queue of `driver` on `port`. False (with the spooler's last error) when refused.
bool AddRawQueue(const std::wstring& name, const std::wstring& driver, const std::wstring& port);

} // namespace testing_support
