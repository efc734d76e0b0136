// What both end-to-end programs ask of the machine beside Setup.exe: its printers and its Windows.
#pragma once

#include <string>

namespace e2e {

bool PrinterExists(const std::wstring& name);

// The first free name of `base` and its copies, as the installer will choose it.
std::wstring NextPrinterName(const std::wstring& base);

// 64-bit Windows, whatever the test's own bitness.
bool WindowsIs64Bit();

} // namespace e2e
