#include "engine/installed_printer.h"

#include "engine/checked_copy.h"
#include "engine/install_log.h"
#include "engine/package_locator.h"
#include "engine/printer_naming.h"
#include "engine/spooler_api.h"
#include "engine/staging_lists.h"

#include <windows.h>
#include <winspool.h>

namespace engine {

namespace {

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The driver's files by their lower-cased names, with the paths the spooler gives.
struct InstalledDriver {
    std::wstring dataFile;
    std::vector<std::pair<std::wstring, std::wstring>> files;
};

bool FindDriver(const std::wstring& name, InstalledDriver& found) {
    std::wstring environment = SpoolerEnvironment() != nullptr ? SpoolerEnvironment() : L"";
    LPWSTR env = environment.empty() ? nullptr : &environment[0];
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (!EnumerateRecords(
            [env](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
                return Spooler().EnumPrinterDriversW(nullptr, env, 3, data, size, needed, returned);
            },
            buffer, count)) {
        WriteInstallStep(L"EnumPrinterDrivers", ::GetLastError());
        return false;
    }
    const auto* records = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const DRIVER_INFO_3W& record = records[i];
        if (record.pName == nullptr || ::lstrcmpiW(record.pName, name.c_str()) != 0)
            continue;
        found.dataFile = record.pDataFile != nullptr ? record.pDataFile : L"";
        for (const wchar_t* file :
             {record.pDriverPath, record.pDataFile, record.pConfigFile, record.pHelpFile})
            if (file != nullptr && *file != L'\0')
                found.files.emplace_back(LowerAscii(FileNameOf(file)), file);
        for (const wchar_t* file = record.pDependentFiles; file != nullptr && *file != L'\0';
             file += ::lstrlenW(file) + 1)
            found.files.emplace_back(LowerAscii(FileNameOf(file)), file);
        return true;
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
        for (const auto& file : driver.files)
            if (file.first == lower)
                installed = file.second;
        if (installed.empty() || !FilesIdentical(directory + L"\\" + name, installed)) {
            WriteInstallLog(L"驱动文件与已安装的不同：" + name, false);
            return false;
        }
    }
    return true;
}

} // namespace engine
