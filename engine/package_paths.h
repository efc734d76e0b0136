// Paths of the distribution folder: driver package, INF and catalogue. No Windows calls.
#pragma once

#include <string>

namespace engine {

// The folder part of a module path: everything before the last backslash ("E:\Setup.exe" -> "E:").
// A path without a backslash has an empty folder.
std::wstring DirectoryOfPath(const std::wstring& modulePath);

// True for the processor architectures of 64-bit Windows: AMD64 (9) and IA64 (6).
bool IsArchitecture64Bit(unsigned processorArchitecture);

// The Windows platforms the driver packages serve: the i386 package for x86 Windows, the X64
// package for x64 Windows. On ARM64 and IA64 Windows neither package can run.
enum class PackagePlatform { X86, X64, None };

// The platform of a native machine type (IMAGE_FILE_MACHINE_I386 0x14C, _AMD64 0x8664, _IA64
// 0x200, _ARM64 0xAA64, ...).
PackagePlatform PlatformOfMachine(unsigned nativeMachine);

// The platform of a native processor architecture (PROCESSOR_ARCHITECTURE_INTEL 0, _AMD64 9,
// _IA64 6, _ARM64 12, ...), for systems that cannot tell the machine type.
PackagePlatform PlatformOfArchitecture(unsigned processorArchitecture);

// The spooler's environment name of the platform ("Windows NT x86", "Windows x64"); nullptr
// for none. Every spooler call names it: with no name the spooler takes the caller's own
// environment, which for a 32-bit installer on 64-bit Windows is the wrong one.
const wchar_t* SpoolerEnvironmentOf(PackagePlatform platform);

// "X64" for 64-bit Windows, "i386" otherwise.
const wchar_t* PackageArchitectureFolder(bool native64);

// dir + "\24Pin\X64\" or dir + "\24Pin\i386\": the driver files and the INF lie here.
std::wstring DriverSourceFolderOf(const std::wstring& programDirectory, bool native64);

// The INF folder + "24Pin.inf".
std::wstring InfPathOf(const std::wstring& programDirectory, bool native64);

// dir + "\PrinterInfo.ini".
std::wstring CataloguePathOf(const std::wstring& programDirectory);

} // namespace engine
