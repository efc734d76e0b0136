// Faults users meet, row by row: each spooler-route step refused in turn, the catalogue broken,
// the package INF broken. Each case sets up its fault, runs the job or the reader, checks what the
// user sees and what is left on the machine, and undoes the fault.
//
// The program lives in its own copy of the distribution folder, which it damages freely.
#include "job/install_job.h"
#include "engine/package_locator.h"
#include "engine/printer_info_file.h"
#include "engine/printer_naming.h"
#include "engine/spooler_api.h"
#include "engine/staging_api.h"
#include "engine/staging_lists.h"
#include "pnp/device_setup_api.h"
#include "pnp/inf_file.h"
#include "pnp/ini_reader.h"
#include "pnp/pnp_installer.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/engine/spooler_bench.h"
#include "tests/engine/staging_seams.h"
#include "tests/engine/job_runner.h"
#include "tests/support/failure_recorder.h"
#include "tests/support/test_paths.h"
#include "win/thread.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

using namespace testing_support;
using namespace installer_tests;

namespace {

// ---- Seams: refusals the bench's spooler, file system and setup library never give ----------

DWORD g_driverDirectoryError, g_monitorError, g_driverError, g_queueError;
std::wstring g_deniedCopy; // file name whose copy into any folder is denied
DWORD g_deniedCopyError;   // with this error; for ERROR_DISK_FULL only overwrites are refused
std::vector<std::wstring> g_ordinal204;
std::atomic<int> g_driverUpdates{0};
int g_infAccepted = 0;

BOOL WINAPI SeamDriverDirectory(LPWSTR server, LPWSTR environment, DWORD level, LPBYTE buffer,
                                DWORD size, LPDWORD needed) {
    if (g_driverDirectoryError != 0) {
        ::SetLastError(g_driverDirectoryError);
        return FALSE;
    }
    return engine::SystemSpooler().GetPrinterDriverDirectoryW(server, environment, level, buffer,
                                                              size, needed);
}
BOOL WINAPI SeamAddMonitor(LPWSTR server, DWORD level, LPBYTE info) {
    if (g_monitorError != 0) {
        ::SetLastError(g_monitorError);
        return FALSE;
    }
    return engine::SystemSpooler().AddMonitorW(server, level, info);
}
BOOL WINAPI SeamAddDriver(LPWSTR server, DWORD level, LPBYTE info) {
    if (g_driverError != 0) {
        ::SetLastError(g_driverError);
        return FALSE;
    }
    return engine::SystemSpooler().AddPrinterDriverW(server, level, info);
}
HANDLE WINAPI SeamAddQueue(LPWSTR server, DWORD level, LPBYTE info) {
    if (g_queueError != 0) {
        ::SetLastError(g_queueError);
        return nullptr;
    }
    return engine::SystemSpooler().AddPrinterW(server, level, info);
}
BOOL WINAPI RecordOrdinal204(LPCWSTR name) {
    g_ordinal204.push_back(name);
    return engine::SystemSpooler().Ordinal204(name);
}
BOOL WINAPI CopyUnlessDenied(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
    if (!g_deniedCopy.empty() && SameFileName(FileNameOf(to), g_deniedCopy) &&
        !(g_deniedCopyError == ERROR_DISK_FULL && failIfExists)) {
        ::SetLastError(g_deniedCopyError);
        return FALSE;
    }
    return ::CopyFileW(from, to, failIfExists);
}
BOOL WINAPI AcceptInf(PCWSTR, PCWSTR, DWORD, DWORD, PWSTR, DWORD, PDWORD, PWSTR*) {
    ++g_infAccepted;
    return TRUE;
}
BOOL WINAPI RefuseDriverUpdate(HWND, LPCWSTR, LPCWSTR, DWORD, PBOOL) {
    ++g_driverUpdates;
    ::SetLastError(ERROR_NO_SUCH_DEVINST);
    return FALSE;
}

// ---- The job on a worker thread, reporting to a message-only window -----------------------

// A model of the package (the job checks the package for it before it changes anything); the
// printers it makes are the next free copies, removed again by each case.
const wchar_t kModel[] = L"KV-8230";
const wchar_t kDataFile[] = L"KV-8230.GPD";

std::wstring FreePrinterName() {
    const std::wstring base = std::wstring(L"Korvane ") + kModel;
    std::wstring name = base;
    for (int n = 1; Contains(PrinterNames(), name); ++n)
        name = base + L" (副本 " + std::to_wstring(n) + L")";
    return name;
}

int PresentDevices() {
    HDEVINFO set =
        ::SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return -1;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    int count = 0;
    while (::SetupDiEnumDeviceInfo(set, static_cast<DWORD>(count), &device))
        ++count;
    ::SetupDiDestroyDeviceInfoList(set);
    return count;
}

// What the spooler holds, to tell what a case added and whether it touched anything else.
struct SpoolerState {
    Names printers, drivers, monitors;
    std::vector<std::wstring> queues; // each printer's queue and driver as read back

    static std::wstring Describe(const ReadBack& back) {
        return back.printerName + L"|" + back.portName + L"|" + back.driverName + L"|" +
               back.driverPath + L"|" + back.dataFile + L"|" + back.configFile;
    }
    static SpoolerState Now() {
        SpoolerState state{PrinterNames(), DriverNames(), MonitorNames(), {}};
        for (const std::wstring& name : state.printers)
            state.queues.push_back(Describe(ReadPrinter(name)));
        return state;
    }
    // Every object `before` held is still there, unchanged.
    void ExpectKeptBy(const SpoolerState& after) const {
        for (size_t i = 0; i < printers.size(); ++i) {
            EXPECT_TRUE(Contains(after.printers, printers[i])) << "removed: " << printers[i];
            EXPECT_EQ(queues[i], Describe(ReadPrinter(printers[i]))) << "changed: " << printers[i];
        }
        for (const std::wstring& driver : drivers)
            EXPECT_TRUE(Contains(after.drivers, driver)) << "removed driver: " << driver;
    }
    // Removes what appeared since this state was taken.
    void RemoveAddedSince() const {
        for (std::wstring name : PrinterNames()) {
            if (Contains(printers, name))
                continue;
            PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
            HANDLE printer = nullptr;
            if (::OpenPrinterW(&name[0], &printer, &defaults)) {
                ::DeletePrinter(printer);
                ::ClosePrinter(printer);
            }
        }
        for (std::wstring name : DriverNames())
            if (!Contains(drivers, name))
                ::DeletePrinterDriverW(nullptr, nullptr, &name[0]);
        for (std::wstring name : MonitorNames())
            if (!Contains(monitors, name))
                ::DeleteMonitorW(nullptr, nullptr, &name[0]);
    }
};

class FaultMatrix : public ::testing::Test {
protected:
    void SetUp() override {
        spooler = engine::SystemSpooler();
        spooler.GetPrinterDriverDirectoryW = &SeamDriverDirectory;
        spooler.AddMonitorW = &SeamAddMonitor;
        spooler.AddPrinterDriverW = &SeamAddDriver;
        spooler.AddPrinterW = &SeamAddQueue;
        spooler.Ordinal204 = &RecordOrdinal204;
        engine::SetSpoolerForTesting(&spooler);
        pnp::SetDeviceSetupForTesting(&refusingUpdate);
        ResetFaults();
        ASSERT_TRUE(FileExists(engine::GetInfPath())) << "no package beside the test program";
    }
    void TearDown() override {
        engine::SetSpoolerForTesting(nullptr);
        engine::SetStagingForTesting(nullptr);
        pnp::SetDeviceSetupForTesting(nullptr);
    }
    void ResetFaults() {
        g_driverDirectoryError = g_monitorError = g_driverError = g_queueError = 0;
        g_deniedCopy.clear();
        g_deniedCopyError = ERROR_ACCESS_DENIED;
        g_infErrors.clear();
        g_infCalls.clear();
        g_ordinal204.clear();
        reports.reports.clear();
        g_driverUpdates = 0;
        g_infAccepted = 0;
    }

    // Runs the job to its end while pumping this thread's messages, then drains the queue so a
    // second report would be seen.
    void RunJob(const std::wstring& detectedModel) {
        auto* request = new InstallRequest;
        request->ownerWindow = reports.Get();
        request->modelName = kModel;
        request->portName = L"LPT1:";
        request->dataFileName = kDataFile;
        request->detectedModelName = detectedModel;
        RunInstallJob(request);
    }

    JobReportWindow reports;
    engine::SpoolerApi spooler{};
    const pnp::DeviceSetupApi refusingUpdate{&RefuseDriverUpdate};
};

// The package folder of the test's distribution, without the trailing backslash.
std::wstring PackageFolder() {
    std::wstring folder = engine::GetDriverSourceFolder();
    folder.pop_back();
    return folder;
}

// The maker's files lying directly in the package folder, in the order the staging copy meets
// them.
std::vector<std::wstring> MakerFilesOfPackage() {
    const engine::StagingLists lists = engine::BuildStagingLists(kDataFile);
    const std::wstring folder = PackageFolder();
    std::vector<std::wstring> makerFiles;
    for (const std::wstring& name : EnumerationOrder(folder)) {
        const DWORD attributes = ::GetFileAttributesW((folder + L"\\" + name).c_str());
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            engine::StagingActionFor(lists, name) == engine::StagingAction::CopyChecked)
            makerFiles.push_back(name);
    }
    return makerFiles;
}

enum class DeniedCopy {
    None,
    EarlierMakerFile,
    LastCountedFile,
    EarlierMakerFileOnAFullDisk, // an older copy in the driver directory cannot be replaced
};

// The package of the test's distribution as a row damages it.
enum class Package {
    Shipped,
    WithoutDataFile,
    WithoutMakerFile,
    Missing,
    EndingWithUnlistedSubfolder
};

// Damages the package folder for the length of a row and mends it however the row ends.
class DamagedPackage {
public:
    explicit DamagedPackage(Package damage) : m_folder(PackageFolder()) {
        if (damage == Package::WithoutDataFile)
            m_moved = m_folder + L"\\" + kDataFile;
        else if (damage == Package::WithoutMakerFile)
            m_moved = m_folder + L"\\PrnSetUI.dll";
        else if (damage == Package::Missing)
            m_moved = m_folder;
        if (!m_moved.empty()) {
            EXPECT_TRUE(::MoveFileW(m_moved.c_str(), (m_moved + L".away").c_str()));
        }
        if (damage == Package::EndingWithUnlistedSubfolder) {
            m_subfolder = m_folder + L"\\zz-extras";
            ::CreateDirectoryW(m_subfolder.c_str(), nullptr);
            EXPECT_TRUE(WriteFileBytes(m_subfolder + L"\\readme.txt", "not listed"));
            EXPECT_EQ(L"zz-extras", EnumerationOrder(m_folder).back()) << "not enumerated last";
        }
    }
    ~DamagedPackage() {
        if (!m_moved.empty()) {
            EXPECT_TRUE(::MoveFileW((m_moved + L".away").c_str(), m_moved.c_str()));
        }
        if (!m_subfolder.empty())
            RemoveTree(m_subfolder);
    }
    DamagedPackage(const DamagedPackage&) = delete;
    DamagedPackage& operator=(const DamagedPackage&) = delete;

private:
    std::wstring m_folder, m_moved, m_subfolder;
};

struct SpoolerFault {
    const char* name;
    DWORD driverDirectory, monitor, driver, queue; // refusal errors; 0 lets the call through
    DeniedCopy copy;
    std::vector<DWORD> infErrors; // the setup library's answers, call by call; then its own
    size_t infCalls;              // INF staging attempts
    std::vector<std::wstring> codes;
    LPARAM reported;
    Package package = Package::Shipped;
};

const DWORD kRpcServerUnavailable = 1722; // RPC_S_SERVER_UNAVAILABLE
const DWORD kSetupSectionNotFound = 0xE0000100u;
const DeniedCopy kNone = DeniedCopy::None;

const SpoolerFault kSpoolerFaults[] = {
    {"INF not found once, then staged", 0, 0, 0, 0, kNone, {ERROR_NOT_FOUND}, 2, {}, 1},
    // Nowhere to copy the package to.
    {"driver directory unknown", ERROR_INVALID_ENVIRONMENT, 0, 0, 0, kNone, {}, 0, {L"2"}, 0},
    {"last counted maker's file not copied",
     0,
     0,
     0,
     0,
     DeniedCopy::LastCountedFile,
     {},
     0,
     {L"2"},
     0},
    // Any maker's file not copied fails the staging, wherever it comes in the enumeration.
    {"earlier maker's file not copied", 0, 0, 0, 0, DeniedCopy::EarlierMakerFile, {}, 0, {L"2"}, 0},
    {"earlier maker's file not replaced, disk full",
     0,
     0,
     0,
     0,
     DeniedCopy::EarlierMakerFileOnAFullDisk,
     {},
     0,
     {L"2"},
     0},
    {"model's data file missing from the package",
     0,
     0,
     0,
     0,
     kNone,
     {},
     0,
     {L"2"},
     0,
     Package::WithoutDataFile},
    // A maker's file missing is a file that cannot be copied, found before anything changes.
    {"maker's file missing from the package",
     0,
     0,
     0,
     0,
     kNone,
     {},
     0,
     {L"2"},
     0,
     Package::WithoutMakerFile},
    // The package check finds no package before anything changes: the distribution's code.
    {"package folder missing", 0, 0, 0, 0, kNone, {}, 0, {L"1"}, 0, Package::Missing},
    // The order in which the file system lists the package does not decide.
    {"package ending with a subfolder without listed files",
     0,
     0,
     0,
     0,
     kNone,
     {},
     1,
     {},
     1,
     Package::EndingWithUnlistedSubfolder},
    {"INF not staged", 0, 0, 0, 0, kNone, {kSetupSectionNotFound}, 1, {L"3"}, 0},
    {"INF not found twice", 0, 0, 0, 0, kNone, {ERROR_NOT_FOUND, ERROR_NOT_FOUND}, 2, {L"3"}, 0},
    {"monitor refused", 0, ERROR_ACCESS_DENIED, 0, 0, kNone, {}, 1, {L"5"}, 0},
    {"driver refused", 0, 0, ERROR_UNKNOWN_PRINTER_DRIVER, 0, kNone, {}, 1, {L"4"}, 0},
    {"queue refused", 0, 0, 0, ERROR_INVALID_PRINTER_NAME, kNone, {}, 1, {L"6"}, 0},
    {"spooler stopped after the monitor",
     0,
     0,
     kRpcServerUnavailable,
     kRpcServerUnavailable,
     kNone,
     {},
     1,
     {L"4"},
     0},
};

const wchar_t kMarkerPrinter[] = L"FaultMatrix Marker Printer";
const wchar_t kMarkerDriver[] = L"FaultMatrix Marker Driver";
const wchar_t kMarkerFile[] = L"fmmarker.dll";
const char kMarkerBytes[] = "fault matrix marker, not a staged file";

// A driver and a queue of another name, and a file of no staging list in the driver directory.
void PlaceMarkers(const std::wstring& driverDirectory) {
    std::wstring markerPath = driverDirectory + L"\\" + kMarkerFile;
    ASSERT_TRUE(WriteFileBytes(markerPath, kMarkerBytes));
    if (!Contains(DriverNames(), kMarkerDriver)) {
        ASSERT_TRUE(AddFileDriver(kMarkerDriver, markerPath, markerPath, markerPath))
            << ::GetLastError();
    }
    if (!Contains(PrinterNames(), kMarkerPrinter)) {
        ASSERT_TRUE(AddRawQueue(kMarkerPrinter, kMarkerDriver, L"LPT2:")) << ::GetLastError();
    }
}

} // namespace

TEST_F(FaultMatrix, SpoolerRouteStepsRefusedInTurn) {
    const std::wstring driverDirectory = installer_tests::DriverDirectory();
    ASSERT_FALSE(driverDirectory.empty());
    const SpoolerState beforeRow = SpoolerState::Now();
    PlaceMarkers(driverDirectory);
    const std::vector<std::wstring> makerFiles = MakerFilesOfPackage();
    ASSERT_GE(makerFiles.size(), 2u);
    const engine::StagingApi staging = StagingWith(&CopyUnlessDenied, &ScriptedCopyOemInf);
    engine::SetStagingForTesting(&staging);

    for (const SpoolerFault& fault : kSpoolerFaults) {
        SCOPED_TRACE(fault.name);
        ResetFaults();
        g_driverDirectoryError = fault.driverDirectory;
        g_monitorError = fault.monitor;
        g_driverError = fault.driver;
        g_queueError = fault.queue;
        if (fault.copy == DeniedCopy::EarlierMakerFile)
            g_deniedCopy = makerFiles.front();
        else if (fault.copy == DeniedCopy::LastCountedFile)
            g_deniedCopy = makerFiles.back();
        const std::wstring olderCopy = driverDirectory + L"\\" + makerFiles.front();
        if (fault.copy == DeniedCopy::EarlierMakerFileOnAFullDisk) {
            g_deniedCopy = makerFiles.front();
            g_deniedCopyError = ERROR_DISK_FULL;
            ASSERT_TRUE(WriteFileBytes(olderCopy, "an older copy"));
        }
        g_infErrors = fault.infErrors;
        SCOPED_TRACE(L"copy denied: " + g_deniedCopy);
        const SpoolerState before = SpoolerState::Now();
        const std::wstring printerName = FreePrinterName();
        {
            const DamagedPackage package(fault.package);
            FailureRecorder watcher;
            RunJob(L"");
            EXPECT_EQ(fault.codes, watcher.Codes());
            // What the user must never meet: success after a failure shown, or a failure
            // without a code.
            EXPECT_EQ(watcher.Codes().empty(), reports.reports == std::vector<LPARAM>{1});
        }
        EXPECT_EQ(std::vector<LPARAM>{fault.reported}, reports.reports)
            << "one report, its outcome";
        if (fault.copy == DeniedCopy::EarlierMakerFileOnAFullDisk) {
            EXPECT_EQ("an older copy", ReadFileBytes(olderCopy));
            ::DeleteFileW(olderCopy.c_str());
        }
        EXPECT_EQ(fault.reported == 1, Contains(PrinterNames(), printerName));
        EXPECT_EQ(fault.reported == 1 ? std::vector<std::wstring>{printerName}
                                      : std::vector<std::wstring>{},
                  g_ordinal204);
        EXPECT_EQ(fault.infCalls, g_infCalls.size());
        before.ExpectKeptBy(SpoolerState::Now());
        EXPECT_TRUE(Contains(PrinterNames(), kMarkerPrinter));
        EXPECT_TRUE(Contains(DriverNames(), kMarkerDriver));
        EXPECT_EQ(kMarkerBytes, ReadFileBytes(driverDirectory + L"\\" + kMarkerFile));
        before.RemoveAddedSince();
        EXPECT_FALSE(Contains(PrinterNames(), printerName)) << "the case's printer removed";
    }
    engine::SetStagingForTesting(nullptr);
    beforeRow.RemoveAddedSince();
    ::DeleteFileW((driverDirectory + L"\\" + kMarkerFile).c_str());
}

// ---- The catalogue ------------------------------------------------------------------------

std::string Utf16(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

const wchar_t kProductLine[] = L"82列票据打印机";
const std::vector<std::wstring> kModels = {L"KV-8200", L"KV-8230", L"KV-8250 OLI", L"KV-8260",
                                           L"KV-8280"};

std::wstring CatalogueText(const std::wstring& counts) {
    std::wstring text = L"[VID_PID]\r\nVID=vid_d23c\r\nPID=pid_0001\r\n\r\n[" +
                        std::wstring(kProductLine) + L"]\r\nCounts=" + counts + L"\r\n";
    for (size_t i = 0; i < kModels.size(); ++i)
        text += std::to_wstring(i) + L"=" + kModels[i] + L"\r\n";
    return text;
}
// Ten megabytes of another section ahead of the catalogue.
std::wstring HugeCatalogueText() {
    std::wstring text = L"[Notes]\r\n";
    for (int line = 0; text.size() < 5u * 1024 * 1024; ++line)
        text += L"n" + std::to_wstring(line) + L"=" + std::wstring(40, L'x') + L"\r\n";
    return text + CatalogueText(L"5");
}

// Puts a damaged file of the distribution copy back when the row ends, however it ends.
struct RestoredAtEnd {
    std::wstring path;
    std::string bytes;
    ~RestoredAtEnd() { WriteFileBytes(path, bytes); }
};

struct CatalogueCase {
    const char* name;
    std::optional<std::string> bytes; // none: no file
    int count;                        // models read with a capacity of kCapacity
    const wchar_t* vid;               // the "VID_PID" section's VID
    std::vector<std::wstring> listed; // what the wizard lists; empty when it shows code "1"
    std::wstring record;              // the start of the install log's record about it
};
constexpr int kCapacity = 8;

// The catalogue with the models given, as key=value lines.
std::wstring CatalogueOf(const std::wstring& counts, const std::wstring& modelLines) {
    return L"[VID_PID]\r\nVID=vid_d23c\r\nPID=pid_0001\r\n\r\n[" + std::wstring(kProductLine) +
           L"]\r\nCounts=" + counts + L"\r\n" + modelLines;
}

TEST_F(FaultMatrix, CatalogueBrokenAsUsersMeetIt) {
    const std::wstring path = engine::GetCataloguePath();
    const std::string shipped = ReadFileBytes(path);
    ASSERT_FALSE(shipped.empty());
    const RestoredAtEnd restore{path, shipped};
    const std::vector<std::wstring> five = kModels;
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>((i * 167 + 13) % 256));
    const std::wstring noModels = L"产品目录中没有 [82列票据打印机] 的型号";
    const CatalogueCase cases[] = {
        {"missing file",
         std::nullopt,
         0,
         L"",
         {},
         L"打开产品目录 " + path + L" failed with error 2"},
        {"empty file", std::string(), 0, L"", {}, noModels + L"（Counts=0）：" + path},
        {"binary file", binary, 0, L"", {}, noModels + L"（Counts=0）：" + path},
        {"negative count",
         Utf16(CatalogueText(L"-1")),
         0,
         L"vid_d23c",
         {},
         noModels + L"（Counts=-1）：" + path},
        {"count of -5",
         Utf8Of(CatalogueText(L"-5")),
         0,
         L"vid_d23c",
         {},
         noModels + L"（Counts=-5）：" + path},
        {"count without model keys",
         Utf16(CatalogueOf(L"3", L"")),
         3,
         L"vid_d23c",
         {},
         noModels + L"（Counts=3）：" + path},
        {"count beyond the capacity", Utf16(CatalogueText(L"100000")), kCapacity, L"vid_d23c", five,
         L"产品目录列出 100000 个型号，只能显示前 8 个，未列出 99992 个"},
        {"ten megabytes", Utf16(HugeCatalogueText()), 5, L"vid_d23c", five, L""},
        {"UTF-16 with byte-order mark", Utf16(CatalogueText(L"5")), 5, L"vid_d23c", five, L""},
        // Editors save the catalogue as UTF-8: read as such, with or without the mark, whatever
        // the ANSI code page (936 here) would make of its bytes.
        {"UTF-8 without byte-order mark", Utf8Of(CatalogueText(L"5")), 5, L"vid_d23c", five, L""},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF" + Utf8Of(CatalogueText(L"5")), 5, L"vid_d23c",
         five, L""},
        // Names no printer, driver or file can have are left out, each with its reason; a
        // name given twice (once in quotes, which the profile reader strips) is listed once.
        {"unusable and repeated names",
         Utf8Of(CatalogueOf(L"6", L"0=..\\..\\Korvane\r\n1=KV/8200:*\r\n2=KV-8200\r\n"
                                  L"3=\"KV-8200\"\r\n4=" +
                                      std::wstring(300, L'W') + L"\r\n5=CON\r\n")),
         6,
         L"vid_d23c",
         {L"KV-8200"},
         L"型号 \"..\\..\\Korvane\" 未列出：含有打印机名称或文件名不能使用的字符 \\"},
    };
    for (const CatalogueCase& c : cases) {
        SCOPED_TRACE(c.name);
        ::DeleteFileW(path.c_str());
        if (c.bytes) {
            ASSERT_TRUE(WriteFileBytes(path, *c.bytes));
        }
        std::wstring entries[kCapacity + 1];
        entries[kCapacity] = L"untouched";
        CPrinterInfoFile catalogue;
        EXPECT_EQ(path, catalogue.iniPath);
        const int count = catalogue.ReadModels(kProductLine, entries, kCapacity);
        EXPECT_EQ(c.count, count);
        for (int i = 0; i < count && c.listed == five; ++i)
            EXPECT_EQ(i < static_cast<int>(kModels.size()) ? kModels[i] : L"", entries[i]) << i;
        EXPECT_EQ(L"untouched", entries[kCapacity]) << "written past the capacity";
        CIniReader reader;
        const engine::ReadableCatalogue readable(path);
        reader.SetFileName(readable.Path());
        EXPECT_EQ(c.vid, reader.GetValue(L"VID_PID", L"VID"));

        // What the wizard makes of it: its list, or code "1" with the catalogue's path in the log.
        LogWatch log;
        std::vector<std::wstring> listed{L"stale"};
        EXPECT_EQ(!c.listed.empty(),
                  engine::LoadCatalogueModels(catalogue, kProductLine, kCapacity, listed));
        EXPECT_EQ(c.listed, listed);
        const std::vector<std::wstring> records = log.NewRecords();
        if (c.record.empty()) {
            EXPECT_EQ(std::vector<std::wstring>{}, records);
        } else {
            ASSERT_FALSE(records.empty());
            EXPECT_EQ(0u, records.front().find(c.record)) << records.front();
        }
        ASSERT_TRUE(WriteFileBytes(path, shipped));
    }
}

// ---- The package INF ----------------------------------------------------------------------

std::string Widened(const std::string& ascii) {
    return Utf16(std::wstring(ascii.begin(), ascii.end()));
}

// A well-formed INF whose model lines carry no hardware ID.
const char kNoHardwareIdInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
    "ClassGuid={4D36E979-E325-11CE-BFC1-08002BE10318}\r\nProvider=%Korvane%\r\n"
    "[Manufacturer]\r\n%Korvane%=Korvane_Tech,NTamd64\r\n"
    "[Korvane_Tech]\r\n\"x\" = y\r\n[Korvane_Tech.NTamd64]\r\n\"x\" = y\r\n"
    "[Strings]\r\nKorvane=\"Korvane\"\r\n";

// Ten megabytes of model lines outside any section.
std::string HugeInf() {
    const std::string line =
        "\"Korvane KV-8200\" = KV8200.INSTALL, USBPRINT\\KorvaneKV-82004F3A\r\n";
    std::string text;
    while (text.size() < 10u * 1024 * 1024)
        text += line;
    return text;
}

struct InfCase {
    const char* name;
    std::optional<std::string> bytes; // none: no file
    bool opens;
    size_t manufacturers;
    bool shippedIds;   // the shipped INF's hardware IDs, else none
    int driverUpdates; // by Install(), refused each time
    bool usable;       // the job's package check accepts it
};

TEST_F(FaultMatrix, PackageInfBroken) {
    const std::wstring path = engine::GetInfPath();
    EXPECT_EQ(path, GetPnpInfPath());
    const std::string shipped = ReadFileBytes(path);
    ASSERT_FALSE(shipped.empty());
    const RestoredAtEnd restore{path, shipped};
    std::vector<std::wstring> shippedIds;
    {
        CInfFileHelper inf;
        ASSERT_TRUE(inf.Open(path));
        inf.ReadModelHardwareIds(L"", shippedIds);
        ASSERT_FALSE(shippedIds.empty());
    }
    const InfCase cases[] = {
        {"missing file", std::nullopt, false, 0, false, 0, false},
        {"empty file", std::string(), true, 0, false, 0, false},
        {"model line without hardware ID", std::string(kNoHardwareIdInf), true, 1, false, 0, false},
        {"ten megabytes outside any section", HugeInf(), true, 0, false, 0, false},
        // Decoded: the same IDs; the driver update is tried for a new root device, which is
        // removed again when the update is refused.
        {"UTF-16 with byte-order mark", Widened(shipped), true, 1, true, 1, true},
    };
    const engine::StagingApi staging = StagingWith(nullptr, &AcceptInf);
    for (const InfCase& c : cases) {
        SCOPED_TRACE(c.name);
        ResetFaults();
        ::DeleteFileW(path.c_str());
        if (c.bytes) {
            ASSERT_TRUE(WriteFileBytes(path, *c.bytes));
        }
        const int devices = PresentDevices();

        CInfFileHelper inf;
        ASSERT_EQ(c.opens, inf.Open(path));
        std::vector<std::wstring> manufacturers{L"stale"}, ids{L"stale"};
        inf.ReadManufacturers(manufacturers);
        inf.ReadModelHardwareIds(manufacturers.empty() ? L"" : manufacturers[0], ids);
        EXPECT_EQ(c.manufacturers, manufacturers.size());
        EXPECT_EQ(c.shippedIds ? shippedIds : std::vector<std::wstring>{}, ids);

        CPnpInstaller installer;
        EXPECT_FALSE(installer.FindMatchingDevice(path)) << "no present device is claimed";
        installer.m_strInfPath = path;
        EXPECT_FALSE(installer.Install());
        EXPECT_EQ(c.driverUpdates, g_driverUpdates.load());
        EXPECT_EQ(devices, PresentDevices()) << "a device was left behind";

        // The job with the printer reporting the chosen model. An INF without the model's line
        // fails the package check with code 1 before anything changes; a usable one: Plug and
        // Play fails without a word and the spooler route installs.
        ResetFaults();
        engine::SetStagingForTesting(&staging);
        const SpoolerState before = SpoolerState::Now();
        const std::wstring printerName = FreePrinterName();
        {
            FailureRecorder watcher;
            RunJob(kModel);
            EXPECT_EQ(c.usable ? std::vector<std::wstring>{} : std::vector<std::wstring>{L"1"},
                      watcher.Codes());
        }
        engine::SetStagingForTesting(nullptr);
        EXPECT_EQ(std::vector<LPARAM>{c.usable ? 1 : 0}, reports.reports);
        EXPECT_EQ(0, g_driverUpdates.load());
        EXPECT_EQ(c.usable ? 1 : 0, g_infAccepted) << "the spooler route staged the INF";
        EXPECT_EQ(c.usable ? std::vector<std::wstring>{printerName} : std::vector<std::wstring>{},
                  g_ordinal204);
        EXPECT_EQ(c.usable, Contains(PrinterNames(), printerName));
        if (!c.usable) {
            const SpoolerState after = SpoolerState::Now();
            EXPECT_EQ(before.printers, after.printers) << "a refused package changes nothing";
            EXPECT_EQ(before.drivers, after.drivers);
            EXPECT_EQ(before.monitors, after.monitors);
        }
        EXPECT_EQ(devices, PresentDevices());
        before.RemoveAddedSince();
        ASSERT_TRUE(WriteFileBytes(path, shipped));
    }
}
