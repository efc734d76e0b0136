// Where the running installer finds its driver package, INF and catalogue, and where the
// spooler keeps printer drivers.
#pragma once

#include <string>

namespace engine {

// Folder of the running program, without a trailing backslash.
std::wstring GetProgramDirectory();

// True on 64-bit Windows, whatever the installer's own bitness.
bool IsNative64Bit();

// The spooler's printer-driver directory for the running environment, without a trailing
// backslash. False when the spooler cannot tell it.
bool GetDriverDirectory(std::wstring& directory);

std::wstring GetDriverSourceFolder(); // ...\24Pin\X64\ or ...\24Pin\i386\ (also the INF folder)
std::wstring GetInfPath();            // the INF folder + "24Pin.inf"
std::wstring GetCataloguePath();      // ...\PrinterInfo.ini

} // namespace engine
