#include "engine/printer_info_file.h"

#include "engine/package_locator.h"

#include <windows.h>

CPrinterInfoFile::CPrinterInfoFile() : iniPath(engine::GetCataloguePath()) {}

int CPrinterInfoFile::ReadModels(std::wstring section, std::wstring* entries, int capacity) const {
    const int count =
        static_cast<int>(::GetPrivateProfileIntW(section.c_str(), L"Counts", 0, iniPath.c_str()));
    const int n = count < 0 ? 0 : (count > capacity ? capacity : count);
    wchar_t buffer[128];
    for (int i = 0; i < n; ++i) {
        buffer[0] = L'\0';
        ::GetPrivateProfileStringW(section.c_str(), std::to_wstring(i).c_str(), nullptr, buffer,
                                   128, iniPath.c_str());
        buffer[127] = L'\0';
        entries[i] = buffer;
    }
    return n;
}
