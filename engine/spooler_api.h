// The print spooler's entries, loaded from System32 when first used. winspool.drv is not a
// KnownDLL, so it is never imported at load time, where a planted copy beside the program would
// be found first.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <vector>

namespace engine {

struct SpoolerApi {
    decltype(&::GetPrinterDriverDirectoryW) GetPrinterDriverDirectoryW;
    decltype(&::OpenPrinterW) OpenPrinterW;
    decltype(&::ClosePrinter) ClosePrinter;
    decltype(&::AddMonitorW) AddMonitorW;
    decltype(&::DeleteMonitorW) DeleteMonitorW;
    decltype(&::AddPrinterDriverW) AddPrinterDriverW;
    // A driver registered again over itself, its files copied whatever their dates.
    decltype(&::AddPrinterDriverExW) AddPrinterDriverExW;
    decltype(&::AddPrinterW) AddPrinterW;
    decltype(&::EnumPortsW) EnumPortsW;
    decltype(&::EnumMonitorsW) EnumMonitorsW;
    // The removal's entries.
    decltype(&::EnumPrintersW) EnumPrintersW;
    decltype(&::DeletePrinter) DeletePrinter;
    decltype(&::EnumPrinterDriversW) EnumPrinterDriversW;
    decltype(&::DeletePrinterDriverExW) DeletePrinterDriverExW;
    // The entry exported by ordinal 204 only; it takes a printer name.
    BOOL(WINAPI* Ordinal204)(LPCWSTR printerName);
    // A document sent to a printer.
    decltype(&::StartDocPrinterW) StartDocPrinterW;
    decltype(&::StartPagePrinter) StartPagePrinter;
    decltype(&::WritePrinter) WritePrinter;
    decltype(&::EndPagePrinter) EndPagePrinter;
    decltype(&::EndDocPrinter) EndDocPrinter;
    // A queue's pending jobs purged before the queue is deleted.
    decltype(&::SetPrinterW) SetPrinterW;
};

// An enumeration's records (EnumPrintersW, EnumPrinterDriversW, ...), read with a sizing call and
// a filling call, again when the list grew in between. `enumerate(data, size, needed, returned)`
// makes the call. False with the spooler's last error when it refuses.
template <typename Enumerate>
bool EnumerateRecords(Enumerate enumerate, std::vector<BYTE>& buffer, DWORD& count) {
    DWORD needed = 0;
    count = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        buffer.assign(needed, 0);
        if (enumerate(buffer.empty() ? nullptr : buffer.data(), needed, &needed, &count))
            return true;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
    }
    return false;
}

// The entries in use: the system's, or a test's replacement. Entries the spooler library lacks
// fail with ERROR_PROC_NOT_FOUND.
const SpoolerApi& Spooler();

// The system's entries, loaded once.
const SpoolerApi& SystemSpooler();

// Replaces the entries for the calling test; nullptr restores the system's.
void SetSpoolerForTesting(const SpoolerApi* api);

} // namespace engine
