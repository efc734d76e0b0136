#include "tests/e2e/e2e_support.h"

#include "tests/support/spooler_objects.h"

#include <windows.h>
#include <shlobj.h>
#include <winspool.h>

namespace e2e {

bool PrinterExists(const std::wstring& name) {
    HANDLE printer = nullptr;
    if (!::OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, nullptr))
        return false;
    ::ClosePrinter(printer);
    return true;
}

std::wstring NextPrinterName(const std::wstring& base) {
    std::wstring name = base;
    for (int n = 1; PrinterExists(name); ++n)
        name = base + L" (副本 " + std::to_wstring(n) + L")";
    return name;
}

bool WholeRouteRunsHere() {
    return sizeof(void*) == 8 || !testing_support::WindowsIs64Bit();
}

std::set<std::wstring> Ours(const std::vector<std::wstring>& names) {
    std::set<std::wstring> ours;
    for (const std::wstring& name : names)
        if (name.rfind(L"Korvane ", 0) == 0)
            ours.insert(name);
    return ours;
}

bool FolderExists(const std::wstring& folder) {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    return SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))
               ? std::wstring(path)
               : std::wstring();
}

std::wstring NativeSystemFolder() {
    BOOL wow64 = FALSE;
    if (sizeof(void*) == 4 && ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64)
        return KnownFolder(CSIDL_WINDOWS) + L"\\Sysnative";
    return KnownFolder(CSIDL_SYSTEM);
}

std::wstring ProductFolder() {
    std::wstring programFiles = KnownFolder(CSIDL_PROGRAM_FILESX86);
    if (programFiles.empty())
        programFiles = KnownFolder(CSIDL_PROGRAM_FILES);
    return programFiles + L"\\Vantrel打印机";
}

} // namespace e2e
