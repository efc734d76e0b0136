// Reading rules of the driver package INF: sections, line classification and hardware-ID
// matching, over lines already decoded to UTF-16. No Windows calls.
#pragma once

#include <string>
#include <vector>

namespace pnp {

// "[Korvane_Tech.NTamd64]" on 64-bit Windows, "[Korvane_Tech]" otherwise.
const wchar_t* ModelSectionHeader(bool native64);
constexpr const wchar_t* kManufacturerHeader = L"[Manufacturer]";

// Removes white space (iswspace) from both ends.
std::wstring TrimSpace(const std::wstring& text);

// Splits file text into lines as a text-mode read does: "\r\n" and "\n" end a line and are
// removed; a final line without an end counts.
std::vector<std::wstring> SplitLines(const std::wstring& text);

// One "key = value" line of a section: the trimmed text before the first separator outside
// double quotes, and the trimmed text after it.
struct InfEntry {
    std::wstring key;
    std::wstring value;
};

// The text of an INF string without its enclosing double quotes, a doubled quote inside read as
// one; text that is not quoted comes back as it is.
std::wstring UnquoteInfText(const std::wstring& text);

// The text with every %key% replaced by the value of `key` in `strings` (the [Strings] entries,
// keys compared without regard to case, values unquoted); "%%" is a percent sign, and a token
// of no entry stays as it is.
std::wstring ExpandInfStrings(const std::wstring& text, const std::vector<InfEntry>& strings);

// A cursor over the lines of one INF.
class InfLines {
public:
    InfLines() = default;
    explicit InfLines(std::vector<std::wstring> lines) : m_lines(std::move(lines)) {}

    // Moves to the start (unless noRewind), then past the first line that contains `header`
    // anywhere (case-sensitive). False at the end of the lines.
    bool FindSection(const std::wstring& header, bool noRewind = false);

    // Empties `out`, finds `header` from the start and collects its entries: for each line up to
    // one containing "[", trimmed, skipping empty lines and ";" comments, the trimmed text after
    // the first `separator` (even when empty). Returns whether the header was found.
    bool CollectSection(const std::wstring& header, wchar_t separator,
                        std::vector<std::wstring>& out);

    // The same lines as CollectSection, each as key and value; lines without the separator
    // outside quotes are left out.
    bool CollectEntries(const std::wstring& header, wchar_t separator, std::vector<InfEntry>& out);

private:
    // Finds `header` from the start and gives its lines up to one containing "[", trimmed,
    // without empty lines and ";" comments. False when the header is not found.
    bool SectionLines(const std::wstring& header, std::vector<std::wstring>& lines);

    std::vector<std::wstring> m_lines;
    size_t m_next = 0;
};

// Whether a device's hardware ID is claimed by one of the patterns (model-list entries): the
// upper-cased pattern occurs in the upper-cased ID, and the ID is no longer than the pattern or
// its character at the pattern's length is one of "&-#_".
bool MatchHardwareId(const std::vector<std::wstring>& patterns, const std::wstring& hardwareId);

} // namespace pnp
