// The printer driver's dependent files as the spooler takes them: NUL-terminated names followed
// by an empty name. No Windows calls.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace engine {

// The list is held in a buffer of this many UTF-16 units, final empty name included.
constexpr std::size_t kDependentFilesCapacity = 260;

// The ";"-terminated dependent-file text of a model: Unidrv's resource files and the maker's
// plug-ins, plus the OLI plug-in when the data file name asks for it.
std::wstring DependentFileText(const std::wstring& dataFileName);

// Converts ";"-terminated text into a zero-filled buffer of `capacity` units holding each name
// followed by a NUL, and an empty name at the end. Text after the last ";" and empty names are
// dropped; a name that does not fit before the closing empty name is dropped with all after it.
// A capacity below 2 is raised to 2, the size of an empty list.
std::vector<wchar_t> ToNameList(const std::wstring& text,
                                std::size_t capacity = kDependentFilesCapacity);

} // namespace engine
