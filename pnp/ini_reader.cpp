#include "pnp/ini_reader.h"

#include <windows.h>

std::wstring CIniReader::GetValue(const std::wstring& section, const std::wstring& key) const {
    wchar_t buffer[260] = L"";
    ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer, 260,
                               m_strFileName.c_str());
    buffer[259] = L'\0';
    return buffer;
}
