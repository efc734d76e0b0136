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
// The DLL the spooler records for monitor `name`, as it gives it; empty when there is none.
std::wstring InstalledMonitorDll(const std::wstring& name);
Names DriverNames(const wchar_t* environment = nullptr); // nullptr: the calling program's
Names PrinterNames();                                    // local printers
bool Contains(const Names& names, const std::wstring& name);

// The Windows the test runs on, told apart without the installer's code: 64-bit Windows for a
// 64-bit program, and for a 32-bit one under WOW64; 32-bit Windows otherwise.
bool WindowsIs64Bit();

// The spooler environment of that Windows, the one the installer registers in: "Windows x64" or
// "Windows NT x86", whatever the test's own bitness.
std::wstring ThisWindowsEnvironment();

// The spooler's driver directory of `environment` (nullptr: the calling program's), without a
// trailing backslash; empty when the spooler cannot tell.
std::wstring DriverDirectoryOf(const wchar_t* environment);

// A version-3 driver made of files already in the driver directory, optionally naming a language
// monitor, in `environment` (nullptr: the calling program's). False (with the spooler's last
// error) when refused.
bool AddFileDriver(const std::wstring& name, const std::wstring& driverPath,
                   const std::wstring& dataFile, const std::wstring& configFile,
                   const wchar_t* monitor = nullptr, const wchar_t* environment = nullptr);

// Deletes the queue and then the driver (of the calling program's environment), where they exist.
void DeleteQueueAndDriver(const std::wstring& queue, const std::wstring& driver);

// A local RAW queue of `driver` on `port`. False (with the spooler's last error) when refused.
bool AddRawQueue(const std::wstring& name, const std::wstring& driver, const std::wstring& port);

} // namespace testing_support
