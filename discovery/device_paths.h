// Names the discovery derives from what the system reports: the operating-system class, registry
// key names of device paths, port names and device file names. No Windows calls.
#pragma once

#include <string>

namespace discovery {

// The operating-system class that decides how a device path becomes a registry key name:
//   0  Windows 9x family (platform id 1)
//   1  NT 5 or older on a 32-bit processor; also any platform id other than 1 and 2
//   2  NT 5 or older on a 64-bit processor
//   3  NT 6 or newer on a 32-bit processor
//   4  NT 6 or newer on a 64-bit processor
int OsClassOf(unsigned platformId, unsigned majorVersion, bool native64);

// A device path in the form the registry names it: every "\?\" becomes "##?#" (classes 1 to 4),
// every "\.\" becomes "##.#" (class 0). The path's first backslash remains.
std::wstring RegistryFormOfDevicePath(const std::wstring& devicePath, int osClass);

// The HKEY_LOCAL_MACHINE key holding the "Port Number" of a USB printing interface:
// SYSTEM\CurrentControlSet\Control\DeviceClasses\{28d78fad-...}<registry form>\#\Device Parameters
std::wstring UsbPortNumberKeyName(const std::wstring& devicePath, int osClass);

// The port name in a port's friendly name: "LPT" and the digits after the "(" of the first "(LPT"
// ("ECP Printer Port (LPT1)" gives LPT1, "Printer Port (LPT10)" gives LPT10). A friendly name
// without "(LPT" gives its first four characters.
std::wstring PortNameOfFriendlyName(const std::wstring& friendlyName);

// True when the friendly name, upper-cased, names the port: it holds the port name, and not only
// as the start of a longer port number (LPT1 is not named by "(LPT10)").
bool FriendlyNameNamesPort(const std::wstring& friendlyName, const std::wstring& portName);

// The device name of a printer attached to a parallel port, from its instance ID: the text after
// the last '&' ("LPTENUM\KORVANERX-520\1&2B7A0F3&0&LPT1.4" gives LPT1.4). An ID without that text
// gives `portName`.
std::wstring DeviceNameOfInstanceId(const std::wstring& instanceId, const std::wstring& portName);

// "\\.\" + name.
std::wstring DeviceFileName(const std::wstring& name);

} // namespace discovery
