#include "tests/support/spooler_objects.h"

#include <winspool.h>

namespace testing_support {

namespace {

// The names of an enumeration's records of type Info.
template <typename Info, typename Enumerate>
Names NamesOf(Enumerate enumerate, wchar_t* Info::*name) {
    DWORD count = 0;
    const std::vector<BYTE> buffer =
        SpoolerBytes([&](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            const BOOL ok = enumerate(data, size, needed, returned);
            count = *returned;
            return ok;
        });
    Names names;
    const auto* records = reinterpret_cast<const Info*>(buffer.data());
    for (DWORD i = 0; !buffer.empty() && i < count; ++i)
        names.push_back(records[i].*name);
    return names;
}

} // namespace

Names MonitorNames() {
    return NamesOf<MONITOR_INFO_1W>(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return ::EnumMonitorsW(nullptr, 1, data, size, needed, returned);
        },
        &MONITOR_INFO_1W::pName);
}

Names DriverNames() {
    return NamesOf<DRIVER_INFO_1W>(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return ::EnumPrinterDriversW(nullptr, nullptr, 1, data, size, needed, returned);
        },
        &DRIVER_INFO_1W::pName);
}

Names PrinterNames() {
    return NamesOf<PRINTER_INFO_4W>(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, data, size, needed, returned);
        },
        &PRINTER_INFO_4W::pPrinterName);
}

bool Contains(const Names& names, const std::wstring& name) {
    for (const std::wstring& n : names)
        if (n == name)
            return true;
    return false;
}

bool AddFileDriver(const std::wstring& name, const std::wstring& driverPath,
                   const std::wstring& dataFile, const std::wstring& configFile,
                   const wchar_t* monitor, const wchar_t* environment) {
    std::wstring driverName = name, path = driverPath, data = dataFile, config = configFile,
                 monitorName = monitor != nullptr ? monitor : L"",
                 environmentName = environment != nullptr ? environment : L"";
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = &driverName[0];
    driver.pEnvironment = environment != nullptr ? &environmentName[0] : nullptr;
    driver.pDriverPath = &path[0];
    driver.pDataFile = &data[0];
    driver.pConfigFile = &config[0];
    driver.pMonitorName = monitor != nullptr ? &monitorName[0] : nullptr;
    return ::AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)) != FALSE;
}

bool AddRawQueue(const std::wstring& name, const std::wstring& driver, const std::wstring& port) {
    std::wstring printerName = name, driverName = driver, portName = port, processor = L"winprint",
                 dataType = L"RAW";
    PRINTER_INFO_2W printer{};
    printer.pPrinterName = &printerName[0];
    printer.pPortName = &portName[0];
    printer.pDriverName = &driverName[0];
    printer.pPrintProcessor = &processor[0];
    printer.pDatatype = &dataType[0];
    printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE added = ::AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&printer));
    if (added == nullptr)
        return false;
    ::ClosePrinter(added);
    return true;
}

} // namespace testing_support
