#include "engine/installed_printer.h"

#include "engine/checked_copy.h"
#include "engine/install_log.h"
#include "engine/package_locator.h"
#include "engine/printer_naming.h"
#include "engine/spooler_api.h"
#include "engine/staging_lists.h"

#include <windows.h>
#include <winspool.h>

#include <utility>

namespace engine {

namespace {

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool FindDriver(const std::wstring& name, InstalledDriver& found) {
    std::vector<InstalledDriver> drivers;
    if (!ListInstalledDrivers(SpoolerEnvironment(), drivers)) {
        WriteInstallStep(L"EnumPrinterDrivers", ::GetLastError());
        return false;
    }
    for (InstalledDriver& driver : drivers) {
        if (::lstrcmpiW(driver.name.c_str(), name.c_str()) == 0) {
            found = std::move(driver);
            return true;
        }
    }
    return false;
}

} // namespace

bool ListLocalQueues(std::vector<QueueListing>& queues) {
    queues.clear();
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (!EnumerateRecords(
            [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
                return Spooler().EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed,
                                               returned);
            },
            buffer, count))
        return false;
    const auto* records = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_INFO_2W& record = records[i];
        if (record.pPrinterName == nullptr)
            continue;
        queues.push_back({record.pPrinterName,
                          record.pDriverName != nullptr ? record.pDriverName : L"",
                          record.pPortName != nullptr ? record.pPortName : L""});
    }
    return true;
}

bool ListInstalledDrivers(const wchar_t* environment, std::vector<InstalledDriver>& drivers) {
    drivers.clear();
    std::wstring named = environment != nullptr ? environment : L"";
    LPWSTR env = environment != nullptr ? &named[0] : nullptr;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (!EnumerateRecords(
            [env](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
                return Spooler().EnumPrinterDriversW(nullptr, env, 3, data, size, needed, returned);
            },
            buffer, count))
        return false;
    const auto* records = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const DRIVER_INFO_3W& record = records[i];
        if (record.pName == nullptr)
            continue;
        InstalledDriver driver;
        driver.name = record.pName;
        driver.monitor = record.pMonitorName != nullptr ? record.pMonitorName : L"";
        driver.dataFile = record.pDataFile != nullptr ? record.pDataFile : L"";
        for (const wchar_t* file :
             {record.pDriverPath, record.pDataFile, record.pConfigFile, record.pHelpFile})
            if (file != nullptr && *file != L'\0')
                driver.files.push_back(file);
        for (const wchar_t* file = record.pDependentFiles; file != nullptr && *file != L'\0';
             file += ::lstrlenW(file) + 1)
            driver.files.push_back(file);
        drivers.push_back(std::move(driver));
    }
    return true;
}

bool DriverFilesCurrent(const std::wstring& driverName, const std::wstring& dataFileName) {
    std::wstring directory;
    InstalledDriver driver;
    if (!GetDriverDirectory(directory) || !FindDriver(driverName, driver) ||
        LowerAscii(FileNameOf(driver.dataFile)) != LowerAscii(dataFileName))
        return false;
    for (const std::wstring& name : MakerFileNames(dataFileName)) {
        const std::wstring lower = LowerAscii(name);
        if (lower == LowerAscii(kLanguageMonitorFile))
            continue; // the monitor's own registration compares it
        std::wstring installed;
        for (const std::wstring& file : driver.files)
            if (LowerAscii(FileNameOf(file)) == lower)
                installed = file;
        if (installed.empty() || !FilesIdentical(directory + L"\\" + name, installed)) {
            WriteInstallLog(L"驱动文件与已安装的不同：" + name, false);
            return false;
        }
    }
    return true;
}

} // namespace engine
