// Which catalogue model names the wizard offers. A model name becomes a printer name and a driver
// name ("Korvane " + model, with " (副本 n)" for copies) and a file name (model + ".GPD"), so a
// name that cannot be all three is left out of the list, with the reason in the install log. No
// Windows calls.
#pragma once

#include <string>
#include <vector>

namespace engine {

// The catalogue reader keeps the first 127 units of a name, so a name that fills them may have
// been cut, and is not the catalogue's name. A name up to this length, with the maker's prefix and
// any copy number, stays within the spooler's 220 characters of a printer name, and its data file
// within a file name's 255.
constexpr std::size_t kLongestModelName = 126;

enum class ModelNameFault {
    None,
    Empty,              // an empty catalogue entry (a missing key): skipped without a word
    ForbiddenCharacter, // one the spooler refuses in a printer name (, \) or Windows in a file
                        // name (< > : " / \ | ? * and the control characters)
    ReservedFileName,   // its data file would be a device: CON, PRN, AUX, NUL, COM0-9, LPT0-9
    TooLong,            // longer than kLongestModelName
    Duplicate,          // the same name as an earlier entry, letter case aside
};

// The fault of one name on its own (never Duplicate).
ModelNameFault ModelNameFaultOf(const std::wstring& name);

// The first character of the name that a printer, driver or file name cannot hold; 0 for none.
wchar_t ForbiddenCharacterOf(const std::wstring& name);

struct LeftOutModel {
    std::wstring name;
    ModelNameFault fault;
};

struct OfferedModels {
    std::vector<std::wstring> names;   // in catalogue order, each once
    std::vector<LeftOutModel> leftOut; // in catalogue order; empty entries are not among them
};

// Splits the catalogue's entries into the names offered and those left out. Of names that differ
// only in letter case (ASCII; Chinese has none), the first is offered.
OfferedModels SelectOfferedModels(const std::vector<std::wstring>& entries);

// The install log's record for a name left out: 型号 "<name>" 未列出：<reason>.
std::wstring LeftOutModelText(const LeftOutModel& model);

// The install log's record for a catalogue that declares more models than the list holds.
std::wstring ModelsBeyondCapacityText(int declared, int capacity);

} // namespace engine
