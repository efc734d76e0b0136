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

std::wstring InstalledMonitorDll(const std::wstring& name) {
    DWORD count = 0;
    const std::vector<BYTE> buffer =
        SpoolerBytes([&](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            const BOOL ok = ::EnumMonitorsW(nullptr, 2, data, size, needed, returned);
            count = *returned;
            return ok;
        });
    const auto* records = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
    for (DWORD i = 0; !buffer.empty() && i < count; ++i)
        if (records[i].pName != nullptr && name == records[i].pName)
            return records[i].pDLLName != nullptr ? records[i].pDLLName : L"";
    return std::wstring();
}

Names DriverNames(const wchar_t* environment) {
    std::wstring name = environment != nullptr ? environment : L"";
    LPWSTR named = environment != nullptr ? &name[0] : nullptr;
    return NamesOf<DRIVER_INFO_1W>(
        [named](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return ::EnumPrinterDriversW(nullptr, named, 1, data, size, needed, returned);
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

bool WindowsIs64Bit() {
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64);
}

std::wstring ThisWindowsEnvironment() {
    return WindowsIs64Bit() ? L"Windows x64" : L"Windows NT x86";
}

std::wstring DriverDirectoryOf(const wchar_t* environment) {
    std::wstring name = environment != nullptr ? environment : L"";
    wchar_t directory[MAX_PATH] = L"";
    DWORD needed = 0;
    if (!::GetPrinterDriverDirectoryW(nullptr, environment != nullptr ? &name[0] : nullptr, 1,
                                      reinterpret_cast<BYTE*>(directory), sizeof(directory),
                                      &needed))
        return std::wstring();
    return directory;
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

void DeleteQueueAndDriver(const std::wstring& queue, const std::wstring& driver) {
    std::wstring name = queue;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (::OpenPrinterW(&name[0], &printer, &defaults)) {
        ::DeletePrinter(printer);
        ::ClosePrinter(printer);
    }
    std::wstring driverName = driver;
    ::DeletePrinterDriverW(nullptr, nullptr, &driverName[0]);
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
