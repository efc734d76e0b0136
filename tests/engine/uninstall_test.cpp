// The Apps & Features entry and the product's removal against Wine's spooler, registry and file
// system: the product installed for real by the install job beside printers and drivers of other
// makers, removed, and read back. Refusals Wine does not produce come through the spooler seam
// and the removal's file seam.
#include "engine/apps_entry.h"
#include "engine/install_log.h"
#include "engine/install_record.h"
#include "engine/package_locator.h"
#include "engine/printer_naming.h"
#include "engine/spooler_api.h"
#include "engine/support_folders.h"
#include "engine/support_paths.h"
#include "engine/uninstall.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/engine/job_runner.h"
#include "tests/engine/spooler_bench.h"
#include "tests/support/failure_recorder.h"
#include "tests/support/run_kind.h"
#include "tests/support/spooler_objects.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace engine;
using namespace installer_tests;
using testing_support::FileExists;
using testing_support::ReadFileBytes;

namespace {

const std::wstring kForeignDriver = L"Generic Text Receipt";
const std::wstring kForeignMakerDriver = L"Korvane KV-9999"; // the maker's, not in the catalogue
const std::wstring kForeignPrinter = L"Front Desk";
const std::wstring kLookAlikePrinter = L"Korvane KV-8230 Spare"; // our name, another driver

bool FolderExists(const std::wstring& folder) {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

Names Sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

Names Ours(const Names& names) {
    Names ours;
    for (const std::wstring& name : names)
        if (name.rfind(L"Korvane KV-82", 0) == 0 && name != kLookAlikePrinter)
            ours.push_back(name);
    return ours;
}

// A value of the entry, read back in the entry's registry view.
struct EntryValue {
    bool found = false;
    DWORD type = 0;
    std::wstring text;
    DWORD number = 0;
};
EntryValue ReadEntryValue(const wchar_t* name) {
    EntryValue value;
    const std::wstring path = std::wstring(kUninstallKeyPath) + L"\\" + kProductEntryKeyName;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | kProductEntryView,
                        &key) != ERROR_SUCCESS)
        return value;
    BYTE data[4096] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    value.found = ::RegQueryValueExW(key, name, nullptr, &value.type, data, &size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    if (value.found && value.type == REG_DWORD)
        value.number = *reinterpret_cast<DWORD*>(data);
    else if (value.found)
        value.text = reinterpret_cast<wchar_t*>(data);
    return value;
}

ULONGLONG FolderBytes(const std::wstring& folder) {
    ULONGLONG total = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            total += FolderBytes(folder + name + L"\\");
        else
            total += (ULONGLONG{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return total;
}

// The files to be renamed or deleted at the next restart, as the session manager keeps them.
const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
std::vector<wchar_t> PendingRenames() {
    std::vector<wchar_t> value(32768, L'\0');
    DWORD size = static_cast<DWORD>((value.size() - 2) * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations",
                       RRF_RT_REG_MULTI_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS)
        return {};
    value.resize(size / sizeof(wchar_t));
    return value;
}
void RestorePendingRenames(const std::vector<wchar_t>& value) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != 0)
        return;
    if (value.empty())
        ::RegDeleteValueW(key, L"PendingFileRenameOperations");
    else
        ::RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                         reinterpret_cast<const BYTE*>(value.data()),
                         static_cast<DWORD>(value.size() * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

// The removal's file seam: moves recorded, refused as told; deletions at restart only recorded.
std::vector<std::wstring> g_moves;
DWORD g_refuseMove = 0, g_refuseSchedule = 0;
BOOL WINAPI RecordMove(LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
        g_moves.push_back(L"at restart delete " + std::wstring(from));
        ::SetLastError(g_refuseSchedule);
        return g_refuseSchedule == 0;
    }
    g_moves.push_back(L"move " + std::wstring(from));
    if (g_refuseMove != 0) {
        ::SetLastError(g_refuseMove);
        return FALSE;
    }
    return ::MoveFileExW(from, to, flags);
}
// The finishing copy: its start recorded ("<program> | <folder> | <moved>"), refused as told.
std::vector<std::wstring> g_finishers;
DWORD g_refuseFinisher = 0;
BOOL WINAPI RecordFinisher(LPCWSTR program, LPCWSTR folder, LPCWSTR moved) {
    g_finishers.push_back(std::wstring(program) + L" | " + folder + L" | " + moved);
    ::SetLastError(g_refuseFinisher);
    return g_refuseFinisher == 0;
}
// SetupUninstallOEMInfW refused with g_refuseInf when it is not 0.
DWORD g_refuseInf = 0;
BOOL WINAPI RefusableUninstallInf(PCWSTR name, DWORD flags, PVOID reserved) {
    if (g_refuseInf != 0) {
        ::SetLastError(g_refuseInf);
        return FALSE;
    }
    return ::SetupUninstallOEMInfW(name, flags, reserved);
}
RemovalFilesApi RecordingFiles() {
    RemovalFilesApi api = SystemRemovalFiles();
    api.MoveFileExW = &RecordMove;
    api.SetupUninstallOEMInfW = &RefusableUninstallInf;
    api.StartFinisher = &RecordFinisher;
    return api;
}
const RemovalFilesApi kRecordingFiles = RecordingFiles();

// A program of the test bench, running from `path` until ended.
class RunningProgram {
public:
    explicit RunningProgram(const std::wstring& path) {
        const std::wstring ready = testing_support::MakeScratchFolder(L"running") + L"ready";
        std::wstring command = L"\"" + path + L"\" \"" + ready + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (!::CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &m_process))
            return;
        for (int i = 0; i < 200 && !FileExists(ready); ++i)
            ::Sleep(50);
    }
    ~RunningProgram() { Stop(); }
    void Stop() {
        if (m_process.hProcess == nullptr)
            return;
        ::TerminateProcess(m_process.hProcess, 0);
        ::WaitForSingleObject(m_process.hProcess, 10000);
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
        m_process = PROCESS_INFORMATION{};
    }
    bool Running() const {
        return m_process.hProcess != nullptr &&
               ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
    }

private:
    PROCESS_INFORMATION m_process{};
};

class Uninstall : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(productFolder.empty());
        ASSERT_FALSE(startMenuFolder.empty());
        ASSERT_TRUE(FileExists(GetInfPath())) << "no package beside the test program";
        Clean();
        g_spooler = SpoolerScript{};
        g_moves.clear();
        g_finishers.clear();
        g_refuseMove = g_refuseSchedule = g_refuseFinisher = g_refuseInf = 0;
        SetSpoolerForTesting(&spooler);
    }
    void TearDown() override {
        SetSpoolerForTesting(nullptr);
        SetRemovalFilesForTesting(nullptr);
        Clean();
        versionFiles.RemoveAdded();
        infFiles.RemoveAdded();
        RestorePendingRenames(pendingRenames);
    }
    void Clean() {
        RemoveMakersSpoolerObjects();
        DeleteForeignObjects();
        testing_support::RemoveTree(productFolder);
        for (const std::wstring& folder : GetProductStartMenuFolders())
            testing_support::RemoveTree(folder);
        RemoveProductEntry();
        RemoveInstallRecord();
    }

    // The install job's spooler way, as the wizard starts it.
    void Install(const std::wstring& model) {
        testing_support::FailureRecorder watcher;
        auto* request = new InstallRequest;
        request->ownerWindow = reports.Get();
        request->modelName = model;
        request->portName = L"LPT1:";
        request->dataFileName = model + L".GPD";
        reports.reports.clear();
        testing_support::RunInstallJob(request, 120000);
        ASSERT_EQ(std::vector<LPARAM>{1}, reports.reports) << "install " << model;
        ASSERT_TRUE(watcher.Codes().empty());
    }
    void InstallAndRegister(const std::vector<std::wstring>& models) {
        for (const std::wstring& model : models)
            ASSERT_NO_FATAL_FAILURE(Install(model));
        ASSERT_TRUE(RegisterProductFrom(GetProgramDirectory(), distSetup));
    }

    // A driver and printers of other makers, on files of their own in the driver directory, in
    // this Windows' environment, where the removal looks; with ourMonitor the driver names our
    // language monitor.
    void AddForeignObjects(bool ourMonitor = false) {
        const std::wstring dir = DriverDirectory() + L"\\";
        const std::wstring environment = testing_support::ThisWindowsEnvironment();
        for (const wchar_t* file : {L"FOREIGN.DLL", L"FOREIGNUI.DLL", L"FOREIGN.GPD"})
            PutFile(dir + file, "other maker's file");
        for (const std::wstring& name : {kForeignDriver, kForeignMakerDriver})
            ASSERT_TRUE(testing_support::AddFileDriver(
                name, dir + L"FOREIGN.DLL", dir + L"FOREIGN.GPD", dir + L"FOREIGNUI.DLL",
                ourMonitor && name == kForeignDriver ? kLanguageMonitorName : nullptr,
                environment.c_str()))
                << ::GetLastError();
        for (const std::wstring& name : {kForeignPrinter, kLookAlikePrinter})
            ASSERT_TRUE(testing_support::AddRawQueue(name, kForeignDriver, L"LPT2:"))
                << ::GetLastError();
    }
    void DeleteForeignObjects() {
        for (const std::wstring& name : {kForeignPrinter, kLookAlikePrinter}) {
            std::wstring writable = name;
            PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
            HANDLE printer = nullptr;
            if (::OpenPrinterW(&writable[0], &printer, &defaults)) {
                ::DeletePrinter(printer);
                ::ClosePrinter(printer);
            }
        }
        std::wstring environment = testing_support::ThisWindowsEnvironment();
        for (const std::wstring& name : {kForeignDriver, kForeignMakerDriver}) {
            std::wstring writable = name;
            ::DeletePrinterDriverW(nullptr, &environment[0], &writable[0]);
        }
    }

    UninstallPlaces Places() const {
        UninstallPlaces places = DefaultUninstallPlaces();
        places.cataloguePath = productFolder + L"PrinterInfo.ini"; // the kept catalogue
        return places;
    }

    const std::wstring productFolder = GetProductFolder();
    const std::wstring startMenuFolder = GetProductStartMenuFolder();
    const std::wstring distSetup = GetProgramDirectory() + L"\\Setup.exe";
    FolderStash driverFiles{DriverDirectory()};
    FolderSnapshot versionFiles{DriverDirectory() + L"\\3"};
    FolderSnapshot infFiles{SystemInfFolder()};
    const std::vector<wchar_t> pendingRenames = PendingRenames();
    const engine::SpoolerApi spooler = RecordingSpooler();
    testing_support::JobReportWindow reports;
};

} // namespace

// The entry as Apps & Features reads it, from the installer's own version resource and from a
// program without one; the kept installer and catalogue are copies of the distribution's.
TEST_F(Uninstall, EntryValuesAndKeptFiles) {
    const struct {
        std::wstring program;
        const wchar_t* version; // nullptr: no DisplayVersion
    } cases[] = {
        {distSetup, L"1.0.0.1"},
        {DefaultUninstallPlaces().runningProgram, nullptr}, // this test: no version resource
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        Clean();
        ASSERT_TRUE(FileExists(c.program));
        EXPECT_FALSE(ProductEntryExists());
        LogWatch log;
        // The running program is the one RegisterProduct keeps.
        ASSERT_TRUE(c.program == distSetup ? RegisterProductFrom(GetProgramDirectory(), c.program)
                                           : RegisterProduct(GetProgramDirectory()));
        EXPECT_TRUE(ProductEntryExists());

        const std::wstring kept = productFolder + L"Setup.exe";
        EXPECT_EQ(ReadFileBytes(c.program), ReadFileBytes(kept));
        EXPECT_EQ(ReadFileBytes(GetCataloguePath()),
                  ReadFileBytes(productFolder + L"PrinterInfo.ini"));
        EXPECT_EQ(0u, ::GetFileAttributesW(kept.c_str()) & FILE_ATTRIBUTE_READONLY);

        const struct {
            const wchar_t* name;
            std::wstring text;
        } texts[] = {
            {L"DisplayName", L"Korvane 82列票据打印机驱动"},
            {L"Publisher", L"Velmora科技有限公司"},
            {L"InstallLocation", productFolder},
            {L"DisplayIcon", kept + L",0"},
            {L"UninstallString", L"\"" + kept + L"\" /uninstall"},
            {L"QuietUninstallString", L"\"" + kept + L"\" /uninstall /quiet"},
        };
        for (const auto& t : texts) {
            const EntryValue value = ReadEntryValue(t.name);
            EXPECT_TRUE(value.found) << t.name;
            EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type) << t.name;
            EXPECT_EQ(t.text, value.text) << t.name;
        }
        const EntryValue version = ReadEntryValue(L"DisplayVersion");
        EXPECT_EQ(c.version != nullptr, version.found);
        if (c.version != nullptr) {
            EXPECT_EQ(c.version, version.text);
        }
        const struct {
            const wchar_t* name;
            DWORD number;
        } numbers[] = {
            {L"EstimatedSize", static_cast<DWORD>((FolderBytes(productFolder) + 1023) / 1024)},
            {L"NoModify", 1},
            {L"NoRepair", 1},
        };
        for (const auto& n : numbers) {
            const EntryValue value = ReadEntryValue(n.name);
            EXPECT_TRUE(value.found) << n.name;
            EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << n.name;
            EXPECT_EQ(n.number, value.number) << n.name;
        }
        EXPECT_GT(ReadEntryValue(L"EstimatedSize").number, 0u);

        const std::vector<std::wstring> records = log.NewRecords();
        for (const std::wstring& step : std::vector<std::wstring>{
                 L"CopyFile " + c.program + L" " + kept, L"RegCreateKeyEx HKLM\\SOFTWARE",
                 std::wstring(L"RegSetValueEx DisplayName "),
                 std::wstring(L"RegSetValueEx NoRepair 1")}) {
            EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const std::wstring& r) {
                return r.rfind(step, 0) == 0 && r.find(L" succeed:  0: ") != std::wstring::npos;
            })) << step;
        }

        EXPECT_TRUE(RemoveProductEntry());
        EXPECT_FALSE(ProductEntryExists());
        EXPECT_FALSE(ReadEntryValue(L"DisplayName").found);
        EXPECT_TRUE(RemoveProductEntry()) << "no entry is no failure";
    }
    // Registered again by a program without a version, the entry keeps no earlier version.
    ASSERT_TRUE(RegisterProductFrom(GetProgramDirectory(), distSetup));
    ASSERT_TRUE(ReadEntryValue(L"DisplayVersion").found);
    ASSERT_TRUE(RegisterProduct(GetProgramDirectory()));
    EXPECT_FALSE(ReadEntryValue(L"DisplayVersion").found);
    // Installed by the Windows Installer package: the copies are made, and the entry an earlier
    // run wrote goes, since the package's entry is the product's.
    const std::wstring kept = GetProductFolder() + L"Setup.exe";
    ASSERT_TRUE(::DeleteFileW(kept.c_str()));
    ASSERT_TRUE(RegisterProduct(GetProgramDirectory(), false));
    EXPECT_FALSE(ProductEntryExists());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(kept.c_str()));
    EXPECT_TRUE(RegisterProduct(GetProgramDirectory(), false)) << "without an entry to delete";
}

// The product installed for real (two queues of one model, one of another), beside a printer
// and drivers of other makers, then removed: nothing of the product remains, everything else
// does, and the install log stays.
TEST_F(Uninstall, RemovesTheProductAndOnlyIt) {
    ASSERT_NO_FATAL_FAILURE(InstallAndRegister({L"KV-8230", L"KV-8230", L"KV-8250 OLI"}));
    ASSERT_NO_FATAL_FAILURE(AddForeignObjects());
    const Names ourPrinters = {L"Korvane KV-8230", L"Korvane KV-8230 (副本 1)",
                               L"Korvane KV-8250 OLI"};
    ASSERT_EQ(ourPrinters, Sorted(Ours(PrinterNames())));
    ASSERT_EQ(ourPrinters, Sorted(Ours(DriverNames())));
    ASSERT_TRUE(Contains(MonitorNames(), kLanguageMonitorName));
    ASSERT_TRUE(FolderExists(productFolder + L"产品手册"));
    ASSERT_TRUE(FolderExists(startMenuFolder));
    // The maker's files, staged in the driver directory and copied into its version folder.
    const std::wstring dir = DriverDirectory() + L"\\";
    const std::vector<std::wstring> makerFiles = {L"QTLM24RES.DLL", L"PrnSetUI.dll", L"PrnSet.ini",
                                                  L"KV-8230.GPD", L"OemPrUni.dll"};
    for (const std::wstring& name : makerFiles)
        ASSERT_TRUE(FileExists(dir + name) || FileExists(dir + L"3\\" + name)) << name;

    g_spooler = SpoolerScript{};
    LogWatch log;
    const UninstallResult result = UninstallProduct(Places());
    EXPECT_TRUE(result.succeeded);
    EXPECT_TRUE(result.failures.empty());
    EXPECT_FALSE(result.nothingInstalled);
    EXPECT_EQ(ourPrinters, Sorted(result.removedPrinters));
    EXPECT_EQ(ourPrinters, Sorted(result.removedDrivers));
    EXPECT_EQ(Names{}, result.remainingPrinters);
    EXPECT_EQ(Names{}, result.remainingDrivers);
    EXPECT_TRUE(result.monitorRemoved);
    EXPECT_FALSE(result.monitorKeptForOtherDriver);
    EXPECT_TRUE(result.productFolderRemoved);
    EXPECT_TRUE(result.startMenuFolderRemoved);
    EXPECT_TRUE(result.entryRemoved);
    EXPECT_FALSE(result.restartPending);

    // Nothing of the product remains.
    EXPECT_EQ(Names{}, Ours(PrinterNames()));
    EXPECT_EQ(Names{}, Ours(DriverNames()));
    EXPECT_FALSE(Contains(MonitorNames(), kLanguageMonitorName));
    EXPECT_FALSE(FolderExists(productFolder));
    EXPECT_FALSE(FolderExists(startMenuFolder));
    EXPECT_FALSE(ProductEntryExists());
    // Everything else does.
    EXPECT_TRUE(Contains(PrinterNames(), kForeignPrinter));
    EXPECT_TRUE(Contains(PrinterNames(), kLookAlikePrinter));
    EXPECT_TRUE(Contains(DriverNames(), kForeignDriver));
    EXPECT_TRUE(Contains(DriverNames(), kForeignMakerDriver));
    EXPECT_TRUE(FolderExists(GetInstallLogFolder()));
    for (const std::wstring& name : makerFiles) {
        EXPECT_FALSE(FileExists(dir + name)) << name;
        EXPECT_FALSE(FileExists(dir + L"3\\" + name)) << name;
    }
    EXPECT_TRUE(FileExists(dir + L"FOREIGN.DLL"));
    EXPECT_TRUE(FileExists(dir + L"3\\FOREIGN.GPD"));

    // Queues first, then drivers with their unused files in this Windows' environment, then
    // the monitor.
    EXPECT_EQ(ourPrinters, Sorted(g_spooler.deletedPrinters));
    const auto firstDriver =
        std::find(g_spooler.calls.begin(), g_spooler.calls.end(), "DeletePrinterDriverExW");
    const auto lastPrinter =
        std::find(g_spooler.calls.rbegin(), g_spooler.calls.rend(), "DeletePrinter");
    ASSERT_NE(g_spooler.calls.end(), firstDriver);
    EXPECT_LT(lastPrinter.base() - g_spooler.calls.begin(), firstDriver - g_spooler.calls.begin());
    const auto lastDeletion =
        std::find_if(g_spooler.calls.rbegin(), g_spooler.calls.rend(),
                     [](const std::string& call) { return call.rfind("Delete", 0) == 0; });
    ASSERT_NE(g_spooler.calls.rend(), lastDeletion);
    EXPECT_EQ("DeleteMonitorW", *lastDeletion);
    const std::wstring environment = testing_support::ThisWindowsEnvironment();
    EXPECT_EQ(std::vector<std::wstring>{L"Korvane Language Monitor in " + environment},
              g_spooler.deletedMonitors);
    for (const std::wstring& name : ourPrinters)
        EXPECT_TRUE(
            Contains(g_spooler.deletedDrivers, name + L" in " + environment + L" flags " +
                                                   std::to_wstring(DPD_DELETE_UNUSED_FILES)))
            << name;

    const std::vector<std::wstring> records = log.NewRecords();
    for (const std::wstring& step :
         {std::wstring(L"DeletePrinter Korvane KV-8230 succeed:  0: "),
          std::wstring(L"DeletePrinter Korvane KV-8250 OLI succeed:  0: "),
          std::wstring(L"DeleteMonitor Korvane Language Monitor succeed:  0: "),
          L"RegDeleteKeyEx HKLM\\" + std::wstring(kUninstallKeyPath) + L"\\" +
              kProductEntryKeyName + L" succeed:  0: "})
        EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const std::wstring& r) {
            return r.rfind(step, 0) == 0;
        })) << step;
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(L"卸载成功", records.back());
}

// Nothing of the product installed: the removal succeeds, says so, and deletes nothing; a
// catalogue that cannot be read fails before anything is touched.
TEST_F(Uninstall, CleanMachineAndUnreadableCatalogue) {
    const std::wstring dir = DriverDirectory() + L"\\";
    ASSERT_NO_FATAL_FAILURE(AddForeignObjects());
    const Names printers = Sorted(PrinterNames()), drivers = Sorted(DriverNames()),
                monitors = Sorted(MonitorNames());

    UninstallPlaces places = DefaultUninstallPlaces(); // the distribution's catalogue
    UninstallResult result = UninstallProduct(places);
    EXPECT_TRUE(result.succeeded);
    EXPECT_TRUE(result.nothingInstalled);
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(Names{}, result.removedPrinters);
    EXPECT_EQ(Names{}, result.removedDrivers);
    EXPECT_FALSE(result.monitorRemoved);
    EXPECT_FALSE(result.restartPending);
    for (const char* call : {"DeletePrinter", "DeletePrinterDriverExW", "DeleteMonitorW"})
        EXPECT_EQ(0, std::count(g_spooler.calls.begin(), g_spooler.calls.end(), call)) << call;
    EXPECT_EQ(printers, Sorted(PrinterNames()));
    EXPECT_EQ(drivers, Sorted(DriverNames()));
    EXPECT_EQ(monitors, Sorted(MonitorNames()));
    EXPECT_FALSE(FolderExists(productFolder));

    // The product installed, but its catalogue missing or empty: nothing can be told to be the
    // product's, and nothing is removed.
    ASSERT_NO_FATAL_FAILURE(InstallAndRegister({L"KV-8200"}));
    const std::wstring scratch = testing_support::MakeScratchFolder(L"uninstall-catalogue");
    PutFile(scratch + L"empty.ini", "");
    const struct {
        std::wstring catalogue;
        DWORD error;
    } cases[] = {{scratch + L"missing.ini", ERROR_FILE_NOT_FOUND},
                 {scratch + L"empty.ini", ERROR_INVALID_DATA}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.catalogue);
        g_spooler = SpoolerScript{};
        places.cataloguePath = c.catalogue;
        result = UninstallProduct(places);
        EXPECT_FALSE(result.succeeded);
        ASSERT_EQ(1u, result.failures.size());
        EXPECT_EQ(RemovalStep::Catalogue, result.failures[0].step);
        EXPECT_EQ(c.error, result.failures[0].error);
        EXPECT_EQ(c.catalogue, result.failures[0].object);
        EXPECT_EQ(std::vector<std::string>{}, g_spooler.calls);
        EXPECT_TRUE(Contains(PrinterNames(), L"Korvane KV-8200"));
        EXPECT_TRUE(FolderExists(productFolder + L"产品手册"));
        EXPECT_TRUE(FolderExists(startMenuFolder));
        EXPECT_TRUE(ProductEntryExists());
    }
    testing_support::RemoveTree(scratch);
}

// A refused step fails the removal and leaves what depends on it: no driver while its queue
// remains, no monitor while a driver names it. The entry and the kept installer with its
// catalogue stay, and the removal run again from them, without the refusal, finishes the work.
TEST_F(Uninstall, RefusalsLeaveWhatDependsOnThem) {
    const struct {
        const char* name;
        DWORD SpoolerScript::*refusal; // nullptr: the queue stays after its deletion
        DWORD error;
        RemovalStep step;
        const wchar_t* object;
        bool printerRemains;
        bool driverRemains;
    } cases[] = {
        {"queue refused", &SpoolerScript::refuseDeletePrinter, ERROR_ACCESS_DENIED,
         RemovalStep::RemovePrinter, L"Korvane KV-8200", true, true},
        {"queue with jobs", nullptr, ERROR_BUSY, RemovalStep::RemovePrinter, L"Korvane KV-8200",
         true, true},
        {"driver in use", &SpoolerScript::refuseDeleteDriver, ERROR_PRINTER_DRIVER_IN_USE,
         RemovalStep::RemoveDriver, L"Korvane KV-8200", false, true},
        {"monitor refused", &SpoolerScript::refuseDeleteMonitor, ERROR_ACCESS_DENIED,
         RemovalStep::RemoveMonitor, kLanguageMonitorName, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Clean();
        ASSERT_NO_FATAL_FAILURE(InstallAndRegister({L"KV-8200"}));
        g_spooler = SpoolerScript{};
        if (c.refusal != nullptr)
            g_spooler.*c.refusal = c.error;
        else
            g_spooler.keepDeletedPrinter = true;
        UninstallResult result = UninstallProduct(Places());
        EXPECT_FALSE(result.succeeded);
        ASSERT_FALSE(result.failures.empty());
        EXPECT_EQ(c.step, result.failures[0].step);
        EXPECT_EQ(c.error, result.failures[0].error);
        EXPECT_EQ(c.object, result.failures[0].object);
        EXPECT_EQ(c.printerRemains, Contains(PrinterNames(), L"Korvane KV-8200"));
        EXPECT_EQ(c.printerRemains ? Names{} : Names{L"Korvane KV-8200"}, result.removedPrinters);
        EXPECT_EQ(c.driverRemains, Contains(DriverNames(), L"Korvane KV-8200"));
        EXPECT_EQ(c.printerRemains ? Names{L"Korvane KV-8200"} : Names{}, result.remainingPrinters);
        EXPECT_EQ(c.driverRemains ? Names{L"Korvane KV-8200"} : Names{}, result.remainingDrivers);
        // A driver whose queue remains is not asked to go; one refused for another reason than
        // an unknown flag is not asked again. Wine's spooler does not take the file flag
        // (ERROR_INVALID_PARAMETER) and is asked again without it.
        const std::wstring driver =
            L"Korvane KV-8200 in " + testing_support::ThisWindowsEnvironment() + L" flags ";
        const std::wstring flagged = driver + std::to_wstring(DPD_DELETE_UNUSED_FILES);
        const std::vector<std::wstring> asked =
            c.printerRemains ? std::vector<std::wstring>{}
            : c.step == RemovalStep::RemoveDriver
                ? std::vector<std::wstring>{flagged}
                : std::vector<std::wstring>{flagged, driver + L"0"};
        EXPECT_EQ(asked, g_spooler.deletedDrivers);
        EXPECT_TRUE(Contains(MonitorNames(), kLanguageMonitorName));
        EXPECT_FALSE(result.monitorRemoved);
        // What lets the removal run again stays; the rest goes.
        EXPECT_TRUE(ProductEntryExists());
        EXPECT_FALSE(result.entryRemoved);
        EXPECT_TRUE(FileExists(productFolder + L"Setup.exe"));
        EXPECT_TRUE(FileExists(productFolder + L"PrinterInfo.ini"));
        EXPECT_FALSE(FolderExists(productFolder + L"产品手册"));
        EXPECT_FALSE(FolderExists(startMenuFolder));

        g_spooler = SpoolerScript{};
        result = UninstallProduct(Places());
        EXPECT_TRUE(result.succeeded);
        EXPECT_TRUE(result.failures.empty());
        EXPECT_EQ(Names{}, Ours(PrinterNames()));
        EXPECT_EQ(Names{}, Ours(DriverNames()));
        EXPECT_FALSE(Contains(MonitorNames(), kLanguageMonitorName));
        EXPECT_FALSE(FolderExists(productFolder));
        EXPECT_FALSE(ProductEntryExists());
    }
}

// A driver of another maker that names the language monitor keeps it: not a failure, the
// product's own objects go.
TEST_F(Uninstall, MonitorStaysForAnotherMakersDriver) {
    ASSERT_NO_FATAL_FAILURE(InstallAndRegister({L"KV-8200"}));
    ASSERT_NO_FATAL_FAILURE(AddForeignObjects(true));
    const std::wstring monitorFile = DriverDirectory() + L"\\" + kLanguageMonitorFile;
    ASSERT_TRUE(FileExists(monitorFile));
    g_spooler = SpoolerScript{};
    const UninstallResult result = UninstallProduct(Places());
    EXPECT_TRUE(result.succeeded);
    EXPECT_TRUE(FileExists(monitorFile)) << "the kept monitor's file stays";
    EXPECT_FALSE(FileExists(DriverDirectory() + L"\\KV-8200.GPD"));
    EXPECT_FALSE(result.monitorRemoved);
    EXPECT_TRUE(result.monitorKeptForOtherDriver);
    EXPECT_EQ(std::vector<std::wstring>{}, g_spooler.deletedMonitors);
    EXPECT_TRUE(Contains(MonitorNames(), kLanguageMonitorName));
    EXPECT_EQ(Names{}, Ours(DriverNames()));
    EXPECT_TRUE(Contains(DriverNames(), kForeignDriver));
    EXPECT_FALSE(ProductEntryExists());
}

// The removal run by the kept installer itself: a running program cannot be deleted, so it is
// moved out into the temporary folder and left, with the folder where it cannot be moved, to the
// finishing copy that deletes it after the removal has ended. Nothing is scheduled for the next
// restart. A finishing copy that cannot start fails the removal and leaves the entry and the kept
// installer to run it again.
TEST_F(Uninstall, RunningKeptInstaller) {
    const std::wstring keeper = testing_support::TestBinDirectory() + L"\\desktop_keeper.exe";
    ASSERT_TRUE(FileExists(keeper));
    const std::wstring kept = productFolder + L"Setup.exe";
    const std::wstring folder = productFolder.substr(0, productFolder.size() - 1);
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const struct {
        const char* name;
        DWORD refuseMove, refuseFinisher;
        bool succeeded, movedOut;
    } cases[] = {
        {"moved out", 0, 0, true, true},
        {"move refused", ERROR_NOT_SAME_DEVICE, 0, true, false},
        {"finisher refused", 0, ERROR_ACCESS_DENIED, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Clean();
        RestorePendingRenames(pendingRenames);
        ASSERT_TRUE(RegisterProductFrom(GetProgramDirectory(), distSetup));
        ASSERT_TRUE(RecordQueue(L"Korvane KV-8200", L"Korvane KV-8200"));
        const std::wstring manual = productFolder + L"产品手册\\";
        ASSERT_TRUE(::CreateDirectoryW(manual.c_str(), nullptr));
        PutFile(manual + L"manual.txt", "manual");
        // The bench's sleeping program stands in for the kept installer, running from its place.
        ASSERT_TRUE(::CopyFileW(keeper.c_str(), kept.c_str(), FALSE));
        RunningProgram running(kept);
        ASSERT_TRUE(running.Running());
        ASSERT_FALSE(::DeleteFileW(kept.c_str())) << "a running program is not deleted";

        g_moves.clear();
        g_finishers.clear();
        g_refuseMove = c.refuseMove;
        g_refuseFinisher = c.refuseFinisher;
        SetRemovalFilesForTesting(&kRecordingFiles);
        UninstallPlaces places = Places();
        places.runningProgram = kept;
        const UninstallResult result = UninstallProduct(places);
        SetRemovalFilesForTesting(nullptr);

        EXPECT_EQ(c.succeeded, result.succeeded);
        EXPECT_FALSE(result.restartPending);
        EXPECT_EQ(NamesOf(pendingRenames.data()), NamesOf(PendingRenames().data()))
            << "nothing is scheduled for the next restart";
        EXPECT_FALSE(FolderExists(manual));
        EXPECT_EQ(c.movedOut, result.movedOut);
        ASSERT_EQ(1u, g_finishers.size());
        const std::wstring prefix = kept + L" | " + folder + L" | ";
        ASSERT_EQ(prefix, g_finishers[0].substr(0, prefix.size()));
        const std::wstring moved = g_finishers[0].substr(prefix.size());
        EXPECT_EQ(0u, moved.find(temp)) << moved;
        if (!c.succeeded) {
            ASSERT_FALSE(result.failures.empty());
            EXPECT_EQ(RemovalStep::KeptProgram, result.failures[0].step);
            EXPECT_EQ(ERROR_ACCESS_DENIED, result.failures[0].error);
            EXPECT_EQ(kept, result.failures[0].object);
            EXPECT_FALSE(result.finisherStarted);
            EXPECT_TRUE(ProductEntryExists());
            InstallRecord record;
            EXPECT_TRUE(ReadInstallRecord(record)) << "the record stays with the entry";
            EXPECT_TRUE(FileExists(kept));
            EXPECT_TRUE(FileExists(productFolder + L"PrinterInfo.ini"));
            EXPECT_EQ(std::vector<std::wstring>{}, g_moves);
            EXPECT_FALSE(FileExists(moved)) << "no copy is left in the temporary folder";
            continue;
        }
        EXPECT_TRUE(result.finisherStarted);
        EXPECT_FALSE(ProductEntryExists());
        InstallRecord record;
        EXPECT_FALSE(ReadInstallRecord(record));
        EXPECT_EQ(std::vector<std::wstring>{L"move " + kept}, g_moves);
        EXPECT_TRUE(running.Running());
        if (c.movedOut) {
            // The folder is gone now; the program waits in the temporary folder for the copy.
            EXPECT_FALSE(FolderExists(productFolder));
            EXPECT_TRUE(FileExists(moved));
        } else {
            // Left in the folder for the finishing copy, without its catalogue.
            EXPECT_TRUE(FileExists(kept));
            EXPECT_FALSE(FileExists(productFolder + L"PrinterInfo.ini"));
        }
        running.Stop();
        for (int i = 0; i < 100 && FileExists(moved) && !::DeleteFileW(moved.c_str()); ++i)
            ::Sleep(50);
    }
}

// A file of the product folder held open by another program cannot be deleted: the removal fails
// naming it, and removes everything else.
TEST_F(Uninstall, HeldFileInTheProductFolder) {
    ASSERT_TRUE(RegisterProductFrom(GetProgramDirectory(), distSetup));
    const std::wstring manual = productFolder + L"产品手册\\";
    ASSERT_TRUE(::CreateDirectoryW(manual.c_str(), nullptr));
    PutFile(manual + L"held.txt", "held");
    PutFile(manual + L"free.txt", "free");
    UninstallResult result;
    {
        HeldFile held(manual + L"held.txt");
        ASSERT_TRUE(held.IsHeld());
        result = UninstallProduct(Places());
    }
    EXPECT_FALSE(result.succeeded);
    ASSERT_FALSE(result.failures.empty());
    EXPECT_EQ(RemovalStep::ProductFolder, result.failures[0].step);
    EXPECT_EQ(static_cast<unsigned long>(ERROR_SHARING_VIOLATION), result.failures[0].error);
    EXPECT_EQ(manual + L"held.txt", result.failures[0].object);
    EXPECT_FALSE(result.productFolderRemoved);
    EXPECT_FALSE(result.restartPending);
    EXPECT_TRUE(FileExists(manual + L"held.txt"));
    EXPECT_FALSE(FileExists(manual + L"free.txt"));
    // The kept installer, its catalogue and the entry stay to run the removal again.
    EXPECT_TRUE(FileExists(productFolder + L"Setup.exe"));
    EXPECT_TRUE(FileExists(productFolder + L"PrinterInfo.ini"));
    EXPECT_TRUE(ProductEntryExists());
    EXPECT_FALSE(result.entryRemoved);

    // Run again once the file is free: everything goes.
    result = UninstallProduct(Places());
    EXPECT_TRUE(result.succeeded);
    EXPECT_FALSE(FolderExists(productFolder));
    EXPECT_FALSE(ProductEntryExists());
}

// Shortcuts made by a user's run, by a machine-wide run and by an earlier version (in the Start
// menu's root): the removal takes the product's folder from every place, and a place it cannot
// empty (a shortcut held open) fails the removal naming the file, while the other places go.
// Run again once the file is free, it removes the rest.
TEST_F(Uninstall, StartMenuFoldersInEveryPlace) {
    using testing_support::RunKind;
    using testing_support::RunKindScope;
    using testing_support::SpecialFolder;
    const std::wstring product = std::wstring(L"\\") + kProductFolderName + L"\\";
    const std::wstring userPrograms = SpecialFolder(CSIDL_PROGRAMS) + product;
    const std::wstring commonPrograms = SpecialFolder(CSIDL_COMMON_PROGRAMS) + product;
    const std::wstring oldRoot = SpecialFolder(CSIDL_STARTMENU) + product;
    ASSERT_EQ((Names{userPrograms, commonPrograms, oldRoot}), Places().startMenuFolders);
    const std::wstring target = productFolder + L"产品手册\\manual.pdf";

    const struct {
        const char* what;
        std::wstring held; // the place whose shortcut is held open; empty: none
    } cases[] = {
        {"every place free", L""},
        {"held in the user's Programs folder", userPrograms},
        {"held in the common Programs folder", commonPrograms},
        {"held in the Start menu's root", oldRoot},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clean();
        ASSERT_TRUE(RegisterProductFrom(GetProgramDirectory(), distSetup));
        for (RunKind kind : {RunKind::User, RunKind::System}) {
            RunKindScope run(kind);
            ASSERT_TRUE(CreateStartMenuShortcut(target));
        }
        // An earlier version's shortcut, in the root.
        ASSERT_TRUE(::CreateDirectoryW(oldRoot.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW((oldRoot + L"产品手册").c_str(), nullptr));
        ASSERT_TRUE(::CopyFileW((userPrograms + L"产品手册\\manual.lnk").c_str(),
                                (oldRoot + L"产品手册\\manual.lnk").c_str(), TRUE));
        for (const std::wstring& place : {userPrograms, commonPrograms, oldRoot})
            ASSERT_TRUE(FileExists(place + L"产品手册\\manual.lnk")) << place;

        UninstallResult result;
        LogWatch log;
        {
            const std::wstring heldLink = c.held + L"产品手册\\manual.lnk";
            testing_support::HeldFile held(c.held.empty() ? std::wstring() : heldLink);
            ASSERT_EQ(!c.held.empty(), held.IsHeld());
            result = UninstallProduct(Places());
            if (!c.held.empty()) {
                EXPECT_FALSE(result.succeeded);
                EXPECT_FALSE(result.startMenuFolderRemoved);
                ASSERT_FALSE(result.failures.empty());
                EXPECT_EQ(RemovalStep::StartMenu, result.failures[0].step);
                EXPECT_EQ(static_cast<unsigned long>(ERROR_SHARING_VIOLATION),
                          result.failures[0].error);
                EXPECT_EQ(heldLink, result.failures[0].object);
                EXPECT_TRUE(FileExists(heldLink));
                // What lets the removal run again stays.
                EXPECT_TRUE(ProductEntryExists());
                EXPECT_TRUE(FileExists(productFolder + L"Setup.exe"));
            }
        }
        for (const std::wstring& place : {userPrograms, commonPrograms, oldRoot}) {
            if (place != c.held) {
                EXPECT_FALSE(FolderExists(place)) << place;
            }
        }
        if (!c.held.empty()) {
            result = UninstallProduct(Places());
        } else {
            const std::vector<std::wstring> records = log.NewRecords();
            for (const std::wstring& place : {userPrograms, commonPrograms, oldRoot}) {
                const std::wstring step = L"RemoveDirectory " + place.substr(0, place.size() - 1);
                EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const std::wstring& r) {
                    return r.rfind(step + L" succeed:  0: ", 0) == 0;
                })) << step;
            }
        }
        EXPECT_TRUE(result.succeeded);
        EXPECT_TRUE(result.failures.empty());
        EXPECT_TRUE(result.startMenuFolderRemoved);
        EXPECT_FALSE(result.nothingInstalled);
        for (const std::wstring& place : {userPrograms, commonPrograms, oldRoot})
            EXPECT_FALSE(FolderExists(place)) << place;
        EXPECT_FALSE(ProductEntryExists());
        EXPECT_FALSE(FolderExists(productFolder));
    }
}
