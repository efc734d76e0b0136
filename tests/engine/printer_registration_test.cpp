// Registration with Wine's in-process spooler: the language monitor, the driver and the queue
// registered from the driver directory and read back, the copy numbers of the printer name, and
// the monitor replaced through a real restart of the Spooler service. Refusals Wine does not
// produce come through the spooler and service seams.
#include "engine/driver_staging.h"
#include "engine/package_locator.h"
#include "engine/package_paths.h"
#include "engine/printer_naming.h"
#include "engine/printer_registration.h"
#include "engine/spooler_api.h"
#include "pnp/service_api.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/engine/spooler_bench.h"
#include "tests/support/error_dialog_watcher.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace engine;
using namespace installer_tests;
using testing_support::ErrorDialogWatcher;

namespace {

using Codes = std::vector<std::wstring>;

} // namespace

class PrinterRegistration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(driverDirectory.empty());
        RemoveMakersSpoolerObjects();
        g_spooler = SpoolerScript{};
        g_refuseManager = 0;
        g_serviceCalls.clear();
        SetSpoolerForTesting(&spooler);
        pnp::SetServiceControlForTesting(&services);
    }
    void TearDown() override {
        SetSpoolerForTesting(nullptr);
        pnp::SetServiceControlForTesting(nullptr);
        RemoveMakersSpoolerObjects();
        versionFiles.RemoveAdded();
        infFiles.RemoveAdded();
        testing_support::RemoveTree(scratch);
    }
    // The package of this process's architecture in the driver directory, as staging leaves it.
    void StagePackage(const std::wstring& dataFile) {
        ASSERT_TRUE(CopyDriverTree(NativePackageFolder() + L"\\", driverDirectory + L"\\", dataFile));
    }
    // The language monitor already registered, from an earlier installation.
    void RegisterMonitorBeforehand() {
        std::wstring name = kLanguageMonitorName;
        std::wstring dll = driverDirectory + L"\\" + kLanguageMonitorFile;
        MONITOR_INFO_2W monitor{&name[0], nullptr, &dll[0]};
        ASSERT_TRUE(::AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor)))
            << ::GetLastError();
    }

    std::wstring driverDirectory = DriverDirectory();
    FolderStash driverFiles{DriverDirectory()}; // restored when the test ends
    FolderSnapshot versionFiles{DriverDirectory() + L"\\3"};
    FolderSnapshot infFiles{SystemInfFolder()};
    std::wstring scratch = testing_support::MakeScratchFolder(L"registration");
    SpoolerServiceGuard spoolerService;
    const SpoolerApi spooler = RecordingSpooler();
    const pnp::ServiceControlApi services = RecordingServices();
};

TEST_F(PrinterRegistration, RegistersACatalogueModel) {
    const struct {
        const wchar_t* model;
        const wchar_t* port;
        Names dependentFiles;
    } cases[] = {
        {L"KV-8200",
         L"LPT1:",
         {L"QTLM24RES.DLL", L"STDNAMES.GPD", L"unires.dll", L"PrnSet.ini", L"PrnSetUI.dll",
          L"PrnSetUni.dll"}},
        {L"KV-8250 OLI",
         L"COM2:",
         {L"QTLM24RES.DLL", L"STDNAMES.GPD", L"unires.dll", L"PrnSet.ini", L"PrnSetUI.dll",
          L"PrnSetUni.dll", L"OemPrUni.dll", L"OemPR.ini"}},
    };
    const std::wstring dir = driverDirectory + L"\\";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        RemoveMakersSpoolerObjects();
        g_spooler = SpoolerScript{};
        const std::wstring dataFile = std::wstring(c.model) + L".GPD";
        StagePackage(dataFile);
        const std::wstring name = MakePrinterName(c.model);
        EXPECT_EQ(L"Korvane " + std::wstring(c.model), name);

        ErrorDialogWatcher watcher;
        g_spooler.calls.clear();
        ASSERT_TRUE(RegisterDriverAndPrinter(name, c.port, dataFile));
        EXPECT_EQ(Codes{}, watcher.Codes());
        EXPECT_EQ((std::vector<std::string>{"AddMonitorW", "AddPrinterDriverW", "AddPrinterW",
                                            "ClosePrinter"}),
                  g_spooler.calls);
        EXPECT_EQ(std::vector<std::wstring>{}, g_serviceCalls);

        // The records as handed to the spooler.
        ASSERT_EQ(1u, g_spooler.monitors.size());
        const MonitorRecord& m = g_spooler.monitors[0];
        EXPECT_EQ(2u, m.level);
        EXPECT_EQ(L"Korvane Language Monitor", m.name);
        EXPECT_EQ(L"Windows x64", m.environment); // this Windows', whatever the bitness
        EXPECT_EQ(dir + L"QVMLMN.dll", m.dll);

        ASSERT_EQ(1u, g_spooler.drivers.size());
        const DriverRecord& d = g_spooler.drivers[0];
        EXPECT_EQ(6u, d.level);
        EXPECT_EQ(3u, d.version);
        EXPECT_EQ(name, d.name);
        EXPECT_EQ(L"Windows x64", d.environment);
        EXPECT_EQ(dir + L"UNIDRV.DLL", d.driverPath);
        EXPECT_EQ(dir + dataFile, d.dataFile);
        EXPECT_EQ(dir + L"unidrvui.dll", d.configFile);
        EXPECT_EQ(dir + L"unidrv.hlp", d.helpFile);
        EXPECT_EQ(c.dependentFiles, d.dependentFiles);
        EXPECT_EQ(L"Korvane Language Monitor", d.monitorName);
        EXPECT_EQ(L"RAW", d.defaultDataType);
        EXPECT_EQ(L"(null)", d.previousNames);
        EXPECT_EQ(0u, d.date.dwLowDateTime | d.date.dwHighDateTime);
        EXPECT_EQ(0u, d.driverVersion);
        EXPECT_EQ(L"Korvane", d.manufacturer);
        EXPECT_EQ(L"(null)", d.oemUrl);
        EXPECT_EQ(L"(null)", d.hardwareId);
        EXPECT_EQ(L"(null)", d.provider);

        ASSERT_EQ(1u, g_spooler.printers.size());
        const PrinterRecord& p = g_spooler.printers[0];
        EXPECT_EQ(2u, p.level);
        EXPECT_EQ(L"(null)", p.serverName);
        EXPECT_EQ(name, p.printerName);
        EXPECT_EQ(L"(null)", p.shareName);
        EXPECT_EQ(c.port, p.portName);
        EXPECT_EQ(name, p.driverName);
        EXPECT_EQ(L"(null)", p.comment);
        EXPECT_EQ(L"(null)", p.location);
        EXPECT_EQ(nullptr, p.fields.pDevMode);
        EXPECT_EQ(L"(null)", p.separatorFile);
        EXPECT_EQ(L"winprint", p.printProcessor);
        EXPECT_EQ(L"RAW", p.dataType);
        EXPECT_EQ(L"(null)", p.parameters);
        EXPECT_EQ(nullptr, p.fields.pSecurityDescriptor);
        EXPECT_EQ(static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL), p.fields.Attributes);
        EXPECT_EQ(0u, p.fields.Priority | p.fields.DefaultPriority | p.fields.StartTime |
                          p.fields.UntilTime | p.fields.Status | p.fields.cJobs |
                          p.fields.AveragePPM);

        // What the spooler made of them.
        EXPECT_TRUE(Contains(MonitorNames(), kLanguageMonitorName));
        const ReadBack back = ReadPrinter(name);
        ASSERT_TRUE(back.found);
        EXPECT_EQ(3u, back.version);
        EXPECT_TRUE(SameFileName(L"UNIDRV.DLL", FileNameOf(back.driverPath))) << back.driverPath;
        EXPECT_TRUE(SameFileName(dataFile, FileNameOf(back.dataFile))) << back.dataFile;
        EXPECT_TRUE(SameFileName(L"unidrvui.dll", FileNameOf(back.configFile)));
        EXPECT_TRUE(SameFileName(L"unidrv.hlp", FileNameOf(back.helpFile)));
        EXPECT_EQ(c.dependentFiles.size(), back.dependentFiles.size());
        for (size_t i = 0; i < c.dependentFiles.size() && i < back.dependentFiles.size(); ++i)
            EXPECT_TRUE(SameFileName(c.dependentFiles[i], back.dependentFiles[i]))
                << back.dependentFiles[i];
        EXPECT_EQ(L"Korvane Language Monitor", back.monitorName);
        EXPECT_EQ(L"RAW", back.defaultDataType);
        EXPECT_EQ(name, back.printerName);
        EXPECT_EQ(c.port, back.portName);
        EXPECT_EQ(name, back.driverName);
        EXPECT_EQ(L"winprint", back.printProcessor);
        EXPECT_EQ(L"RAW", back.dataType);
        EXPECT_NE(0u, back.attributes & PRINTER_ATTRIBUTE_LOCAL);
        // The spooler copied the driver's files into its version folder.
        EXPECT_TRUE(testing_support::FileExists(dir + L"3\\" + dataFile));
    }
}

// The spooler route from a distribution folder: a free name, the package staged from its folder of
// the running Windows, and the driver and queue registered from what staging left in the driver
// directory. KV-8280's data file lies in a subfolder of the package.
TEST_F(PrinterRegistration, StagesAndRegistersFromADistribution) {
    const std::wstring dist = scratch + L"dist";
    const std::wstring package = DriverSourceFolderOf(dist, IsNative64Bit());
    ::CreateDirectoryW(dist.c_str(), nullptr);
    ::CreateDirectoryW((dist + L"\\24Pin").c_str(), nullptr);
    ASSERT_TRUE(CopyTree(NativePackageFolder(), package.substr(0, package.size() - 1)));

    ErrorDialogWatcher watcher;
    const std::wstring name = MakePrinterName(L"KV-8280");
    EXPECT_EQ(L"Korvane KV-8280", name);
    const bool staged = StageDriverPackageFrom(dist, L"KV-8280.GPD");
    const bool registered = staged && RegisterDriverAndPrinter(name, L"LPT1:", L"KV-8280.GPD");
    EXPECT_TRUE(staged);
    EXPECT_TRUE(registered);
    EXPECT_EQ(Codes{}, watcher.Codes());

    const ReadBack back = ReadPrinter(name);
    EXPECT_TRUE(back.found);
    EXPECT_EQ(L"LPT1:", back.portName);
    EXPECT_EQ(name, back.driverName);
    // The spooler's copies are the package's files.
    const std::wstring version = driverDirectory + L"\\3\\";
    EXPECT_EQ(testing_support::ReadFileBytes(package + L"GPD\\KV-8280.GPD"),
              testing_support::ReadFileBytes(version + L"KV-8280.GPD"));
    EXPECT_EQ(testing_support::ReadFileBytes(package + L"QTLM24RES.DLL"),
              testing_support::ReadFileBytes(version + L"QTLM24RES.DLL"));
    EXPECT_TRUE(Contains(MonitorNames(), kLanguageMonitorName));
}

// Copy numbers count up from 1 and are always built from the base name.
TEST_F(PrinterRegistration, CopyNumbers) {
    StagePackage(L"KV-8200.GPD");
    ErrorDialogWatcher watcher;
    ASSERT_TRUE(RegisterDriverAndPrinter(MakePrinterName(L"KV-8200"), L"LPT1:", L"KV-8200.GPD"));
    EXPECT_EQ(L"Korvane KV-8200 (副本 1)", MakePrinterName(L"KV-8200"));
    EXPECT_EQ(L"Korvane KV-8200 (副本 1)", MakePrinterName(L"Korvane KV-8200"));
    EXPECT_EQ(L"Korvane KV-8230", MakePrinterName(L"KV-8230"));

    // A second printer on the first one's driver, added directly.
    std::wstring copyName = L"Korvane KV-8200 (副本 1)";
    std::wstring driver = L"Korvane KV-8200";
    std::wstring port = L"LPT2:";
    std::wstring processor = L"winprint";
    std::wstring dataType = L"RAW";
    PRINTER_INFO_2W info{};
    info.pPrinterName = &copyName[0];
    info.pPortName = &port[0];
    info.pDriverName = &driver[0];
    info.pPrintProcessor = &processor[0];
    info.pDatatype = &dataType[0];
    HANDLE added = ::AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(nullptr, added) << ::GetLastError();
    ::ClosePrinter(added);

    g_spooler.calls.clear();
    EXPECT_EQ(L"Korvane KV-8200 (副本 2)", MakePrinterName(L"KV-8200"));
    // Every name that exists is opened and closed again; the free one is only opened.
    EXPECT_EQ((std::vector<std::string>{"OpenPrinterW", "ClosePrinter", "OpenPrinterW",
                                        "ClosePrinter", "OpenPrinterW"}),
              g_spooler.calls);
    EXPECT_EQ(Codes{}, watcher.Codes());
}

// A second copy finds the monitor installed: the spooler is restarted, the monitor deleted and
// added again, and the copy gets a driver of its own name.
TEST_F(PrinterRegistration, InstalledMonitorIsReplacedThroughASpoolerRestart) {
    StagePackage(L"KV-8200.GPD");
    ASSERT_TRUE(RegisterDriverAndPrinter(MakePrinterName(L"KV-8200"), L"LPT1:", L"KV-8200.GPD"));
    ASSERT_TRUE(PutSpoolerServiceIn(SERVICE_RUNNING));
    g_spooler = SpoolerScript{};
    g_serviceCalls.clear();

    const std::wstring copy = MakePrinterName(L"KV-8200");
    ASSERT_EQ(L"Korvane KV-8200 (副本 1)", copy);
    g_spooler.calls.clear();
    ErrorDialogWatcher watcher;
    const ULONGLONG start = ::GetTickCount64();
    ASSERT_TRUE(RegisterDriverAndPrinter(copy, L"LPT1:", L"KV-8200.GPD"));
    EXPECT_GE(::GetTickCount64() - start, 2400u) << "the restart's and the reinstall's pauses";
    EXPECT_EQ(Codes{}, watcher.Codes());
    EXPECT_EQ((std::vector<std::string>{"AddMonitorW", "DeleteMonitorW", "AddMonitorW",
                                        "AddPrinterDriverW", "AddPrinterW", "ClosePrinter"}),
              g_spooler.calls);
    EXPECT_EQ(std::vector<std::wstring>{L"Korvane Language Monitor in Windows x64"},
              g_spooler.deletedMonitors);
    ASSERT_EQ(2u, g_spooler.monitors.size());
    EXPECT_EQ(g_spooler.monitors[0].dll, g_spooler.monitors[1].dll);
    // Stop, wait until it has stopped (the monitor stays loaded until then), start.
    const std::vector<std::wstring> restart = {L"OpenSCManagerW",       L"OpenServiceW Spooler",
                                               L"ControlService 1",     L"OpenSCManagerW",
                                               L"OpenServiceW Spooler", L"OpenSCManagerW",
                                               L"OpenServiceW Spooler", L"StartServiceW"};
    EXPECT_EQ(restart, g_serviceCalls);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), SpoolerServiceState());

    Names monitors = MonitorNames();
    EXPECT_EQ(1, std::count(monitors.begin(), monitors.end(), kLanguageMonitorName));
    const ReadBack back = ReadPrinter(copy);
    ASSERT_TRUE(back.found);
    EXPECT_EQ(copy, back.driverName);
    EXPECT_TRUE(ReadPrinter(L"Korvane KV-8200").found);
    EXPECT_EQ(L"Korvane KV-8200 (副本 2)", MakePrinterName(L"KV-8200"));
}

// Every way the monitor can fail: registration ends before any driver is added, without a word.
TEST_F(PrinterRegistration, MonitorFailuresEndSilently) {
    StagePackage(L"KV-8200.GPD");
    const struct {
        const char* what;
        bool installedBefore;
        DWORD refuseAdd, refuseManager, refuseDelete, refuseSecondAdd;
        std::vector<std::string> calls;
        std::vector<std::wstring> log;
    } cases[] = {
        {"monitor refused", false, ERROR_ACCESS_DENIED, 0, 0, 0, {"AddMonitorW"}, {}},
        {"monitor DLL missing", false, ERROR_MOD_NOT_FOUND, 0, 0, 0, {"AddMonitorW"}, {}},
        {"spooler restart refused",
         true,
         0,
         ERROR_ACCESS_DENIED,
         0,
         0,
         {"AddMonitorW"},
         {L"OpenSCManager failed with error 5: ", L"关闭服务失败"}},
        {"old monitor cannot be deleted",
         true,
         0,
         0,
         ERROR_BUSY,
         0,
         {"AddMonitorW", "DeleteMonitorW"},
         {}},
        {"monitor refused again after the restart",
         true,
         0,
         0,
         0,
         ERROR_ACCESS_DENIED,
         {"AddMonitorW", "DeleteMonitorW", "AddMonitorW"},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveMakersSpoolerObjects();
        if (c.installedBefore)
            RegisterMonitorBeforehand();
        g_spooler = SpoolerScript{};
        g_spooler.refuseAddMonitor = c.refuseAdd;
        g_spooler.refuseDeleteMonitor = c.refuseDelete;
        g_spooler.refuseSecondAddMonitor = c.refuseSecondAdd;
        g_refuseManager = c.refuseManager;
        LogWatch log;
        ErrorDialogWatcher watcher;
        EXPECT_FALSE(RegisterDriverAndPrinter(L"Korvane KV-8200", L"LPT1:", L"KV-8200.GPD"));
        EXPECT_EQ(Codes{}, watcher.Codes());
        EXPECT_EQ(c.calls, g_spooler.calls);
        const std::vector<std::wstring> records = log.NewRecords();
        ASSERT_EQ(c.log.size(), records.size());
        for (size_t i = 0; i < records.size(); ++i)
            EXPECT_EQ(0u, records[i].find(c.log[i])) << records[i];
        EXPECT_FALSE(Contains(DriverNames(), L"Korvane KV-8200"));
    }
}

// The spooler refuses the driver: code "4"; the monitor stays.
TEST_F(PrinterRegistration, RefusedDriverShowsCode4) {
    StagePackage(L"KV-8200.GPD");
    g_spooler.refuseAddDriver = ERROR_UNKNOWN_PRINTER_DRIVER;
    ErrorDialogWatcher watcher;
    EXPECT_FALSE(RegisterDriverAndPrinter(L"Korvane KV-8200", L"LPT1:", L"KV-8200.GPD"));
    EXPECT_EQ(Codes{L"4"}, watcher.Codes());
    EXPECT_EQ((std::vector<std::string>{"AddMonitorW", "AddPrinterDriverW"}), g_spooler.calls);
    EXPECT_TRUE(Contains(MonitorNames(), kLanguageMonitorName));
}

// An empty port: the spooler refuses the queue, code "6"; the driver just added stays.
TEST_F(PrinterRegistration, RefusedQueueShowsCode6) {
    StagePackage(L"KV-8200.GPD");
    ErrorDialogWatcher watcher;
    EXPECT_FALSE(RegisterDriverAndPrinter(L"Korvane KV-8200", L"", L"KV-8200.GPD"));
    EXPECT_EQ(Codes{L"6"}, watcher.Codes());
    EXPECT_EQ((std::vector<std::string>{"AddMonitorW", "AddPrinterDriverW", "AddPrinterW"}),
              g_spooler.calls);
    EXPECT_TRUE(Contains(DriverNames(), L"Korvane KV-8200"));
    EXPECT_FALSE(Contains(PrinterNames(), L"Korvane KV-8200"));
}

namespace {

BOOL WINAPI NoDriverDirectory(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed) {
    *needed = 0;
    ::SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return FALSE;
}

} // namespace

TEST_F(PrinterRegistration, NoDriverDirectoryNoRegistration) {
    SpoolerApi api = RecordingSpooler();
    api.GetPrinterDriverDirectoryW = &NoDriverDirectory;
    SetSpoolerForTesting(&api);
    ErrorDialogWatcher watcher;
    EXPECT_FALSE(RegisterDriverAndPrinter(L"Korvane KV-8200", L"LPT1:", L"KV-8200.GPD"));
    EXPECT_EQ(Codes{}, watcher.Codes());
    EXPECT_EQ(std::vector<std::string>{}, g_spooler.calls);
}
