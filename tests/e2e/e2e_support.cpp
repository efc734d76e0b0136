#include "tests/e2e/e2e_support.h"

#include "tests/support/spooler_objects.h"

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

bool WholeRouteRunsHere() {
    return sizeof(void*) == 8 || !testing_support::WindowsIs64Bit();
}

} // namespace e2e
