// Where the running installer finds its driver package, INF and catalogue, and where the
// spooler keeps printer drivers.
#pragma once

#include "engine/package_paths.h"

#include <string>

namespace engine {

// Folder of the running program, without a trailing backslash.
std::wstring GetProgramDirectory();

// True on 64-bit Windows, whatever the installer's own bitness.
bool IsNative64Bit();

// The platform of this Windows, whatever the installer's own bitness: X64 for a 32-bit
// installer on x64 Windows, None on ARM64 and IA64 Windows, where neither package runs.
PackagePlatform NativePlatform();

// The spooler environment every spooler call of the installer names: that of this Windows.
const wchar_t* SpoolerEnvironment();

// The spooler's printer-driver directory for the running environment, without a trailing
// backslash. False when the spooler cannot tell it.
bool GetDriverDirectory(std::wstring& directory);

// The System32 folder of this Windows as the running program reaches it, without a trailing
// backslash: for a 32-bit program on 64-bit Windows "Sysnative", through which the 64-bit folder
// is seen instead of SysWOW64. Empty when Windows does not tell its folders.
std::wstring GetNativeSystemFolder();

std::wstring GetDriverSourceFolder(); // ...\24Pin\X64\ or ...\24Pin\i386\ (also the INF folder)
std::wstring GetInfPath();            // the INF folder + "24Pin.inf"
std::wstring GetCataloguePath();      // ...\PrinterInfo.ini

} // namespace engine
