// Single values of an INI-format file, such as the catalogue's USB identifiers.
#pragma once

#include <string>

class CIniReader {
public:
    void SetFileName(const std::wstring& path) { m_strFileName = path; }
    // The value (at most 259 characters), or "" for a missing file, section or key.
    std::wstring GetValue(const std::wstring& section, const std::wstring& key) const;

private:
    std::wstring m_strFileName = L"C:\\student.inf";
};
