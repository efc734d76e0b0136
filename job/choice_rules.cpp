#include "job/choice_rules.h"

#include <cstdio>

namespace job {

int MatchDetectedModel(const std::vector<std::wstring>& names, const std::wstring& detected) {
    int match = -1;
    for (size_t i = 0; i < names.size(); ++i) {
        if (!names[i].empty() && detected.find(names[i]) != std::wstring::npos)
            match = static_cast<int>(i);
    }
    return match;
}

int PreselectPortRow(const std::vector<std::wstring>& rows, unsigned long usbPortNumber) {
    std::wstring wanted = L"LPT";
    if (usbPortNumber != 0) {
        wchar_t name[32];
        std::swprintf(name, 32, L"USB%03lu", usbPortNumber);
        wanted = name;
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].find(wanted) != std::wstring::npos)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace job
