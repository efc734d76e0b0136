// What both end-to-end programs ask of the machine beside Setup.exe: its printers, its Windows
// and UTF-8 text.
#pragma once

#include <string>

namespace e2e {

bool PrinterExists(const std::wstring& name);

// The first free name of `base` and its copies, as the installer will choose it.
std::wstring NextPrinterName(const std::wstring& base);

// 64-bit Windows, whatever the test's own bitness.
bool WindowsIs64Bit();

std::string Utf8Of(const std::wstring& text);

} // namespace e2e
