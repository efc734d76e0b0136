// The spooler port of the maker's USB printer: the hardware-ID filter and the "Port Number" the
// system keeps for the printer's USB printing interface.
#pragma once

#include <windows.h>

#include <string>

namespace discovery {

// The hardware-ID filter: a case-sensitive part of the device paths of the maker's USB printers.
// Initially "vid_d23c&pid_0001"; the wizard sets it from the catalogue before it searches.
extern std::wstring g_strPrinterHardwareId;

// The operating-system class of the running system (0 to 4, see OsClassOf).
int GetOsClass();

// The "Port Number" of the present USB printing interface whose device path holds
// g_strPrinterHardwareId (the last one when several do), for the spooler port "USB%03d". 0 when
// there is none or its number cannot be read. When the system gives no set of interfaces at all,
// an error message box owned by `owner` (the window asking, disabled while the box shows) says
// so first; with showBox false (an unattended run) the install log does instead.
DWORD FindUsbPrinterPortNumber(HWND owner = nullptr, bool showBox = true);

} // namespace discovery
