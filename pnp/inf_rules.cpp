#include "pnp/inf_rules.h"

#include <cwctype>

namespace pnp {

namespace {

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return text;
}

bool IsSpace(wchar_t c) {
    return std::iswspace(static_cast<std::wint_t>(c)) != 0;
}

} // namespace

const wchar_t* ModelSectionHeader(bool native64) {
    return native64 ? L"[Korvane_Tech.NTamd64]" : L"[Korvane_Tech]";
}

std::wstring TrimSpace(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        size_t cut = end;
        if (cut > start && text[cut - 1] == L'\r')
            --cut;
        lines.push_back(text.substr(start, cut - start));
        start = end + 1;
    }
    return lines;
}

bool InfLines::FindSection(const std::wstring& header, bool noRewind) {
    if (!noRewind)
        m_next = 0;
    while (m_next < m_lines.size()) {
        if (m_lines[m_next++].find(header) != std::wstring::npos)
            return true;
    }
    return false;
}

bool InfLines::SectionLines(const std::wstring& header, std::vector<std::wstring>& lines) {
    lines.clear();
    if (!FindSection(header))
        return false;
    while (m_next < m_lines.size()) {
        std::wstring line = TrimSpace(m_lines[m_next++]);
        if (line.empty() || line[0] == L';')
            continue;
        if (line.find(L'[') != std::wstring::npos)
            break; // the next section has begun
        lines.push_back(std::move(line));
    }
    return true;
}

bool InfLines::CollectSection(const std::wstring& header, wchar_t separator,
                              std::vector<std::wstring>& out) {
    out.clear();
    std::vector<std::wstring> lines;
    if (!SectionLines(header, lines))
        return false;
    for (const std::wstring& line : lines) {
        const size_t at = line.find(separator);
        if (at != std::wstring::npos)
            out.push_back(TrimSpace(line.substr(at + 1)));
    }
    return true;
}

bool InfLines::CollectEntries(const std::wstring& header, wchar_t separator,
                              std::vector<InfEntry>& out) {
    out.clear();
    std::vector<std::wstring> lines;
    if (!SectionLines(header, lines))
        return false;
    for (const std::wstring& line : lines) {
        bool quoted = false;
        for (size_t at = 0; at < line.size(); ++at) {
            if (line[at] == L'"') {
                quoted = !quoted;
            } else if (line[at] == separator && !quoted) {
                out.push_back({TrimSpace(line.substr(0, at)), TrimSpace(line.substr(at + 1))});
                break;
            }
        }
    }
    return true;
}

std::wstring UnquoteInfText(const std::wstring& text) {
    if (text.size() < 2 || text.front() != L'"' || text.back() != L'"')
        return text;
    std::wstring out;
    for (size_t at = 1; at + 1 < text.size(); ++at) {
        out += text[at];
        if (text[at] == L'"' && at + 2 < text.size() && text[at + 1] == L'"')
            ++at;
    }
    return out;
}

std::wstring ExpandInfStrings(const std::wstring& text, const std::vector<InfEntry>& strings) {
    std::wstring out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find(L'%', at);
        const size_t close = open == std::wstring::npos ? open : text.find(L'%', open + 1);
        if (close == std::wstring::npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, open - at);
        const std::wstring key = text.substr(open + 1, close - open - 1);
        if (key.empty()) {
            out += L'%';
        } else {
            const InfEntry* found = nullptr;
            for (const InfEntry& entry : strings)
                if (Upper(entry.key) == Upper(key)) {
                    found = &entry;
                    break;
                }
            out += found != nullptr ? UnquoteInfText(found->value)
                                    : text.substr(open, close - open + 1);
        }
        at = close + 1;
    }
    return out;
}

bool MatchHardwareId(const std::vector<std::wstring>& patterns, const std::wstring& hardwareId) {
    const std::wstring id = Upper(hardwareId);
    for (const std::wstring& entry : patterns) {
        const std::wstring pattern = Upper(entry);
        if (id.find(pattern) == std::wstring::npos)
            continue;
        if (id.size() <= pattern.size())
            return true;
        const wchar_t next = id[pattern.size()];
        if (next == L'&' || next == L'-' || next == L'#' || next == L'_')
            return true;
    }
    return false;
}

} // namespace pnp
