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
#include "engine/service_api.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/engine/spooler_bench.h"
#include "tests/support/failure_recorder.h"
#include "tests/support/spooler_objects.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace engine;
using namespace installer_tests;
using testing_support::FailureRecorder;

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
        g_stuckAfterStop = g_stuckAfterStart = 0;
        g_serviceCalls.clear();
        SetSpoolerForTesting(&spooler);
        engine::SetServiceControlForTesting(&services);
    }
    void TearDown() override {
        SetSpoolerForTesting(nullptr);
        engine::SetServiceControlForTesting(nullptr);
        engine::SetServiceWaitForTesting(nullptr);
        RemoveMakersSpoolerObjects();
        versionFiles.RemoveAdded();
        infFiles.RemoveAdded();
        testing_support::RemoveTree(scratch);
    }
    // The package of this process's architecture in the driver directory, as staging leaves it.
    void StagePackage(const std::wstring& dataFile) {
        ASSERT_TRUE(
            CopyDriverTree(NativePackageFolder() + L"\\", driverDirectory + L"\\", dataFile));
    }
    // The language monitor already registered, from an earlier installation: by default an
    // older monitor, a file of other bytes in a folder of its own.
    void RegisterMonitorBeforehand(std::wstring dll = std::wstring()) {
        if (dll.empty())
            dll = OlderMonitorFile();
        std::wstring name = kLanguageMonitorName;
        MONITOR_INFO_2W monitor{&name[0], nullptr, &dll[0]};
        ASSERT_TRUE(::AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor)))
            << ::GetLastError();
    }

    // A copy of the staged monitor in the scratch folder, with `extra` bytes after its own (the
    // spooler still loads it).
    std::wstring MonitorCopy(const std::wstring& name, const std::string& extra) const {
        const std::wstring copy = scratch + name;
        testing_support::WriteFileBytes(
            copy,
            testing_support::ReadFileBytes(driverDirectory + L"\\" + kLanguageMonitorFile) + extra);
        return copy;
    }
    std::wstring OlderMonitorFile() const { return MonitorCopy(L"older.dll", "older build"); }

    std::wstring driverDirectory = DriverDirectory();
    FolderStash driverFiles{DriverDirectory()}; // restored when the test ends
    FolderSnapshot versionFiles{DriverDirectory() + L"\\3"};
    FolderSnapshot infFiles{SystemInfFolder()};
    std::wstring scratch = testing_support::MakeScratchFolder(L"registration");
    SpoolerServiceGuard spoolerService;
    const SpoolerApi spooler = RecordingSpooler();
    const engine::ServiceControlApi services = RecordingServices();
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

        FailureRecorder watcher;
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
        // This Windows' environment, named whatever the installer's bitness.
        EXPECT_EQ(testing_support::ThisWindowsEnvironment(), m.environment);
        // By its file name, from System32, where it was copied first (as an INF installs it).
        EXPECT_EQ(L"QVMLMN.dll", m.dll);
        const std::wstring system = GetNativeSystemFolder() + L"\\QVMLMN.dll";
        EXPECT_EQ(testing_support::ReadFileBytes(dir + L"QVMLMN.dll"),
                  testing_support::ReadFileBytes(system));

        ASSERT_EQ(1u, g_spooler.drivers.size());
        const DriverRecord& d = g_spooler.drivers[0];
        EXPECT_EQ(6u, d.level);
        EXPECT_EQ(3u, d.version);
        EXPECT_EQ(name, d.name);
        EXPECT_EQ(testing_support::ThisWindowsEnvironment(), d.environment);
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
        EXPECT_EQ(L"QVMLMN.dll", testing_support::InstalledMonitorDll(kLanguageMonitorName));
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

    FailureRecorder watcher;
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
    FailureRecorder watcher;
    ASSERT_TRUE(RegisterDriverAndPrinter(MakePrinterName(L"KV-8200"), L"LPT1:", L"KV-8200.GPD"));
    EXPECT_EQ(L"Korvane KV-8200 (副本 1)", MakePrinterName(L"KV-8200"));
    EXPECT_EQ(L"Korvane KV-8200 (副本 1)", MakePrinterName(L"Korvane KV-8200"));
    EXPECT_EQ(L"Korvane KV-8230", MakePrinterName(L"KV-8230"));

    // A second printer on the first one's driver, added directly.
    ASSERT_TRUE(
        testing_support::AddRawQueue(L"Korvane KV-8200 (副本 1)", L"Korvane KV-8200", L"LPT2:"))
        << ::GetLastError();

    g_spooler.calls.clear();
    EXPECT_EQ(L"Korvane KV-8200 (副本 2)", MakePrinterName(L"KV-8200"));
    // Every name that exists is opened and closed again; the free one is only opened.
    EXPECT_EQ((std::vector<std::string>{"OpenPrinterW", "ClosePrinter", "OpenPrinterW",
                                        "ClosePrinter", "OpenPrinterW"}),
              g_spooler.calls);
    EXPECT_EQ(Codes{}, watcher.Codes());
}

// A second copy finds an older monitor installed: the spooler is restarted, the monitor deleted
// and added again, and the copy gets a driver of its own name.
TEST_F(PrinterRegistration, InstalledMonitorIsReplacedThroughASpoolerRestart) {
    StagePackage(L"KV-8200.GPD");
    ASSERT_TRUE(RegisterDriverAndPrinter(MakePrinterName(L"KV-8200"), L"LPT1:", L"KV-8200.GPD"));
    std::wstring monitorName = kLanguageMonitorName;
    ASSERT_TRUE(::DeleteMonitorW(nullptr, nullptr, &monitorName[0]));
    RegisterMonitorBeforehand();
    ASSERT_TRUE(PutSpoolerServiceIn(SERVICE_RUNNING));
    g_spooler = SpoolerScript{};
    g_serviceCalls.clear();

    const std::wstring copy = MakePrinterName(L"KV-8200");
    ASSERT_EQ(L"Korvane KV-8200 (副本 1)", copy);
    g_spooler.calls.clear();
    FailureRecorder watcher;
    const ULONGLONG start = ::GetTickCount64();
    ASSERT_TRUE(RegisterDriverAndPrinter(copy, L"LPT1:", L"KV-8200.GPD"));
    EXPECT_GE(::GetTickCount64() - start, 450u) << "the reinstall's pause";
    EXPECT_EQ(Codes{}, watcher.Codes());
    EXPECT_EQ((std::vector<std::string>{"AddMonitorW", "DeleteMonitorW", "AddMonitorW",
                                        "AddPrinterDriverW", "AddPrinterW", "ClosePrinter"}),
              g_spooler.calls);
    EXPECT_EQ(std::vector<std::wstring>{L"Korvane Language Monitor in " +
                                        testing_support::ThisWindowsEnvironment()},
              g_spooler.deletedMonitors);
    ASSERT_EQ(2u, g_spooler.monitors.size());
    EXPECT_EQ(g_spooler.monitors[0].dll, g_spooler.monitors[1].dll);
    // Stop, wait for the stop, start (and wait for the start).
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

// The Spooler service's process: a restart gives it a new one.
DWORD SpoolerServiceProcess() {
    const SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE service =
        manager ? ::OpenServiceW(manager, L"Spooler", SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    const bool read = service != nullptr && ::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO,
                                                                   reinterpret_cast<BYTE*>(&status),
                                                                   sizeof(status), &needed);
    if (service)
        ::CloseServiceHandle(service);
    if (manager)
        ::CloseServiceHandle(manager);
    return read ? status.dwProcessId : 0;
}

// An installed monitor whose file holds our monitor's bytes, wherever it lies, is kept: the
// spooler, which every program prints through, is neither stopped nor restarted, and the monitor
// is not deleted. A file of other bytes is replaced through a restart.
TEST_F(PrinterRegistration, InstalledMonitorIsKeptWhenItsFileIsOurs) {
    StagePackage(L"KV-8200.GPD");
    const struct {
        const char* what;
        std::wstring installedFile; // "" for the driver directory's own
        bool kept;
    } cases[] = {
        {"the staged file itself", L"", true},
        {"an identical copy elsewhere", MonitorCopy(L"same.dll", ""), true},
        {"an older file", OlderMonitorFile(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveMakersSpoolerObjects();
        RegisterMonitorBeforehand(c.installedFile.empty()
                                      ? driverDirectory + L"\\" + kLanguageMonitorFile
                                      : c.installedFile);
        ASSERT_TRUE(PutSpoolerServiceIn(SERVICE_RUNNING));
        const DWORD process = SpoolerServiceProcess();
        g_spooler = SpoolerScript{};
        g_serviceCalls.clear();
        LogWatch log;
        FailureRecorder watcher;
        ASSERT_TRUE(RegisterDriverAndPrinter(L"Korvane KV-8200", L"LPT1:", L"KV-8200.GPD"));
        EXPECT_EQ(Codes{}, watcher.Codes());
        const std::vector<std::string> keptCalls = {"AddMonitorW", "AddPrinterDriverW",
                                                    "AddPrinterW", "ClosePrinter"};
        const std::vector<std::string> replacedCalls = {"AddMonitorW", "DeleteMonitorW",
                                                        "AddMonitorW", "AddPrinterDriverW",
                                                        "AddPrinterW", "ClosePrinter"};
        EXPECT_EQ(c.kept ? keptCalls : replacedCalls, g_spooler.calls);
        EXPECT_EQ(c.kept, g_serviceCalls.empty());
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), SpoolerServiceState());
        if (c.kept) {
            EXPECT_EQ(process, SpoolerServiceProcess()) << "the spooler was restarted";
        }
        const std::vector<std::wstring> records = log.NewRecords();
        ASSERT_GE(records.size(), 2u);
        EXPECT_EQ(0u, records[0].find(L"AddMonitor Korvane Language Monitor failed with error "
                                      L"3006: "))
            << records[0];
        EXPECT_EQ(c.kept, records[1] == L"语言监视器未改变，保留已安装的 Korvane Language Monitor")
            << records[1];
        EXPECT_TRUE(ReadPrinter(L"Korvane KV-8200").found);
    }
}

// The install log's records of the monitor step.
const std::wstring kAddMonitor = L"AddMonitor Korvane Language Monitor ";
const std::wstring kAlreadyInstalled = kAddMonitor + L"failed with error 3006: ";
const std::wstring kCodeFive = L"安装失败 错误代码：5";
// The monitor's file copied into System32 before the spooler is asked to load it.
const std::wstring kCopyMonitor = L"CopyFile ";

// Every way the monitor can fail: registration ends before any driver is added, with code "5",
// and the log tells which call failed with what error.
TEST_F(PrinterRegistration, MonitorFailuresShowCode5) {
    StagePackage(L"KV-8200.GPD");
    const struct {
        const char* what;
        bool installedBefore;
        DWORD refuseAdd, refuseManager, refuseDelete, refuseSecondAdd;
        std::vector<std::string> calls;
        std::vector<std::wstring> log;
    } cases[] = {
        {"monitor refused",
         false,
         ERROR_ACCESS_DENIED,
         0,
         0,
         0,
         {"AddMonitorW"},
         {kCopyMonitor, kAddMonitor + L"failed with error 5: ", kCodeFive}},
        {"monitor DLL missing",
         false,
         ERROR_MOD_NOT_FOUND,
         0,
         0,
         0,
         {"AddMonitorW"},
         {kCopyMonitor, kAddMonitor + L"failed with error 126: ", kCodeFive}},
        {"spooler restart refused",
         true,
         0,
         ERROR_ACCESS_DENIED,
         0,
         0,
         {"AddMonitorW"},
         {kAlreadyInstalled, L"OpenSCManager failed with error 5: ", L"关闭服务失败", kCodeFive}},
        {"old monitor cannot be deleted",
         true,
         0,
         0,
         ERROR_BUSY,
         0,
         {"AddMonitorW", "DeleteMonitorW"},
         {kAlreadyInstalled, L"DeleteMonitor Korvane Language Monitor failed with error 170: ",
          kCodeFive}},
        {"monitor refused again after the restart",
         true,
         0,
         0,
         0,
         ERROR_ACCESS_DENIED,
         {"AddMonitorW", "DeleteMonitorW", "AddMonitorW"},
         {kAlreadyInstalled, kCopyMonitor, kAddMonitor + L"failed with error 5: ", kCodeFive}},
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
        FailureRecorder watcher;
        EXPECT_FALSE(RegisterDriverAndPrinter(L"Korvane KV-8200", L"LPT1:", L"KV-8200.GPD"));
        EXPECT_EQ(Codes{L"5"}, watcher.Codes());
        EXPECT_EQ(c.calls, g_spooler.calls);
        const std::vector<std::wstring> records = log.NewRecords();
        ASSERT_EQ(c.log.size(), records.size());
        for (size_t i = 0; i < records.size(); ++i)
            EXPECT_EQ(0u, records[i].find(c.log[i])) << records[i];
        EXPECT_FALSE(Contains(DriverNames(), L"Korvane KV-8200"));
    }
}

// A spooler that does not finish stopping, or does not run again, within the wait fails the
// monitor step like a refusal: code "5", no driver, and never a start skipped because the spooler
// was still stopping.
TEST_F(PrinterRegistration, SpoolerRestartTimeOutsShowCode5) {
    StagePackage(L"KV-8200.GPD");
    const engine::ServiceWaitLimits limits{400, 50};
    engine::SetServiceWaitForTesting(&limits);
    const struct {
        const char* what;
        DWORD stuckAfterStop, stuckAfterStart;
        std::vector<std::wstring> serviceCalls; // those that act
        std::wstring log;
    } cases[] = {
        {"stuck stopping", SERVICE_STOP_PENDING, 0, {L"ControlService 1"}, L"关闭服务失败"},
        {"stuck starting",
         0,
         SERVICE_START_PENDING,
         {L"ControlService 1", L"StartServiceW"},
         L"开启服务失败"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(PutSpoolerServiceIn(SERVICE_RUNNING));
        RemoveMakersSpoolerObjects();
        RegisterMonitorBeforehand();
        g_spooler = SpoolerScript{};
        g_serviceCalls.clear();
        g_stuckAfterStop = c.stuckAfterStop;
        g_stuckAfterStart = c.stuckAfterStart;
        LogWatch log;
        FailureRecorder watcher;
        const ULONGLONG start = ::GetTickCount64();
        EXPECT_FALSE(RegisterDriverAndPrinter(L"Korvane KV-8200", L"LPT1:", L"KV-8200.GPD"));
        EXPECT_GE(::GetTickCount64() - start, limits.timeoutMs);
        EXPECT_EQ(Codes{L"5"}, watcher.Codes());
        EXPECT_EQ(std::vector<std::string>{"AddMonitorW"}, g_spooler.calls);
        std::vector<std::wstring> acting;
        for (const std::wstring& call : g_serviceCalls)
            if (call.find(L"Open") != 0)
                acting.push_back(call);
        EXPECT_EQ(c.serviceCalls, acting);
        const std::vector<std::wstring> records = log.NewRecords();
        ASSERT_EQ(3u, records.size());
        EXPECT_EQ(0u, records[0].find(kAlreadyInstalled)) << records[0];
        EXPECT_EQ(c.log, records[1]);
        EXPECT_EQ(kCodeFive, records[2]);
        EXPECT_FALSE(Contains(DriverNames(), L"Korvane KV-8200"));
    }
    g_stuckAfterStop = g_stuckAfterStart = 0;
}

// The spooler refuses the driver: code "4"; the monitor stays.
TEST_F(PrinterRegistration, RefusedDriverShowsCode4) {
    StagePackage(L"KV-8200.GPD");
    g_spooler.refuseAddDriver = ERROR_UNKNOWN_PRINTER_DRIVER;
    FailureRecorder watcher;
    EXPECT_FALSE(RegisterDriverAndPrinter(L"Korvane KV-8200", L"LPT1:", L"KV-8200.GPD"));
    EXPECT_EQ(Codes{L"4"}, watcher.Codes());
    EXPECT_EQ((std::vector<std::string>{"AddMonitorW", "AddPrinterDriverW"}), g_spooler.calls);
    EXPECT_TRUE(Contains(MonitorNames(), kLanguageMonitorName));
}

// An empty port: the spooler refuses the queue, code "6"; the driver just added stays.
TEST_F(PrinterRegistration, RefusedQueueShowsCode6) {
    StagePackage(L"KV-8200.GPD");
    FailureRecorder watcher;
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

// The driver's files cannot be found: code "2", as when they could not be staged.
TEST_F(PrinterRegistration, NoDriverDirectoryNoRegistration) {
    SpoolerApi api = RecordingSpooler();
    api.GetPrinterDriverDirectoryW = &NoDriverDirectory;
    SetSpoolerForTesting(&api);
    FailureRecorder watcher;
    EXPECT_FALSE(RegisterDriverAndPrinter(L"Korvane KV-8200", L"LPT1:", L"KV-8200.GPD"));
    EXPECT_EQ(Codes{L"2"}, watcher.Codes());
    EXPECT_EQ(std::vector<std::string>{}, g_spooler.calls);
}
