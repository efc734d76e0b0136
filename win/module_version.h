// A program's version, read from its version resource without version.dll (not a KnownDLL, so a
// copy planted beside the program would be loaded in its place).
#pragma once

#include <string>

namespace win {

// "1.0.0.1" from the FILEVERSION of the running program's VS_VERSION_INFO; empty without one.
std::wstring ProgramVersion();

// The same for the program file at programPath, loaded as data only; empty when it cannot be
// read or has no version resource.
std::wstring ProgramVersion(const std::wstring& programPath);

} // namespace win
