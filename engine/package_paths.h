// Paths of the distribution folder: driver package, INF and catalogue. No Windows calls.
#pragma once

#include <string>

namespace engine {

// The folder part of a module path: everything before the last backslash ("E:\Setup.exe" -> "E:").
// A path without a backslash has an empty folder.
std::wstring DirectoryOfPath(const std::wstring& modulePath);

// True for the processor architectures of 64-bit Windows: AMD64 (9) and IA64 (6).
bool IsArchitecture64Bit(unsigned processorArchitecture);

// "X64" for 64-bit Windows, "i386" otherwise.
const wchar_t* PackageArchitectureFolder(bool native64);

// dir + "\24Pin\X64\" or dir + "\24Pin\i386\": the driver files and the INF lie here.
std::wstring DriverSourceFolderOf(const std::wstring& programDirectory, bool native64);

// The INF folder + "24Pin.inf".
std::wstring InfPathOf(const std::wstring& programDirectory, bool native64);

// dir + "\PrinterInfo.ini".
std::wstring CataloguePathOf(const std::wstring& programDirectory);

} // namespace engine
