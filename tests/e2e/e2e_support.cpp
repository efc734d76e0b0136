#include "tests/e2e/e2e_support.h"

#include <windows.h>
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

bool WindowsIs64Bit() {
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64);
}

std::string Utf8Of(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size,
                          nullptr, nullptr);
    return bytes;
}

} // namespace e2e
