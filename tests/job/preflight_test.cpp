// The pre-flight against the sample distribution and broken copies of it in a scratch folder:
// every broken copy fails the rows of what it lacks, naming it, and leaves the others passing;
// no check changes the machine. A user who is not an administrator, and a spooler that does not
// run or cannot be asked, come through the account and service seams.
#include "engine/package_locator.h"
#include "engine/package_paths.h"
#include "engine/protected_print.h"
#include "job/preflight.h"
#include "pnp/inf_rules.h"
#include "engine/service_api.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/engine/spooler_bench.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace engine;
using namespace job;
using namespace installer_tests;
using testing_support::DistDirectory;
using testing_support::FileExists;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

using Rows = std::vector<PreflightRow>;
using Failures = std::map<std::wstring, std::wstring>; // check -> text its detail must hold

const std::vector<std::wstring> kAllChecks = {
    kCheckAdministrator, kCheckSpooler,   kCheckProtectedPrint, kCheckCatalogue, kCheckPackage,
    kCheckInf,           kCheckDataFiles, kCheckMonitor,        kCheckSignature};
const std::vector<std::wstring> kPackageChecks = {kCheckPackage, kCheckInf, kCheckDataFiles,
                                                  kCheckMonitor, kCheckSignature};

std::vector<std::wstring> ChecksOf(const Rows& rows) {
    std::vector<std::wstring> checks;
    for (const PreflightRow& row : rows)
        checks.push_back(row.check);
    return checks;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(::towlower(c));
    return text;
}

// Every row named in `failures` failed with a detail holding its text (any letter case); every
// other row passed, but the signature row, which only warns (the sample package is not signed).
void ExpectRows(const Rows& rows, const Failures& failures) {
    for (const PreflightRow& row : rows) {
        SCOPED_TRACE(row.check);
        EXPECT_EQ(row.check == kCheckSignature, row.warning);
        const auto failure = failures.find(row.check);
        if (failure == failures.end()) {
            EXPECT_TRUE(row.ok || row.warning) << row.detail;
            continue;
        }
        EXPECT_FALSE(row.ok);
        EXPECT_NE(std::wstring::npos, Lower(row.detail).find(Lower(failure->second))) << row.detail;
    }
    for (const auto& failure : failures) {
        const std::vector<std::wstring> checks = ChecksOf(rows);
        EXPECT_NE(checks.end(), std::find(checks.begin(), checks.end(), failure.first))
            << failure.first;
    }
}

// Every file below a folder with its size, so that a run that wrote, removed or replaced any file
// shows.
std::vector<std::wstring> TreeListing(const std::wstring& folder) {
    std::vector<std::wstring> listing;
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return listing;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (const std::wstring& inner : TreeListing(folder + L"\\" + name))
                listing.push_back(name + L"\\" + inner);
        } else {
            listing.push_back(name + L" " + std::to_wstring(found.nFileSizeLow));
        }
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    std::sort(listing.begin(), listing.end());
    return listing;
}

// What a check could have changed: the spooler's objects and service, the driver and INF folders.
struct MachineState {
    Names monitors = MonitorNames(), drivers = DriverNames(), printers = PrinterNames();
    DWORD spooler = SpoolerServiceState();
    std::vector<std::wstring> driverFiles = TreeListing(DriverDirectory());
    std::vector<std::wstring> infFiles = TreeListing(SystemInfFolder());
};

void ExpectUnchanged(const MachineState& before) {
    const MachineState after;
    EXPECT_EQ(before.monitors, after.monitors);
    EXPECT_EQ(before.drivers, after.drivers);
    EXPECT_EQ(before.printers, after.printers);
    EXPECT_EQ(before.spooler, after.spooler);
    EXPECT_EQ(before.driverFiles, after.driverFiles);
    EXPECT_EQ(before.infFiles, after.infFiles);
}

// The account seam: membership and elevation type as a case sets them.
BOOL g_member = TRUE;
DWORD g_membershipError = 0;
TOKEN_ELEVATION_TYPE g_elevation = TokenElevationTypeDefault;

BOOL WINAPI FakeMembership(HANDLE, PSID, PBOOL member) {
    if (g_membershipError != 0) {
        ::SetLastError(g_membershipError);
        return FALSE;
    }
    *member = g_member;
    return TRUE;
}
BOOL WINAPI FakeTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS type, LPVOID info, DWORD size,
                                 PDWORD returned) {
    if (type != TokenElevationType || size < sizeof(TOKEN_ELEVATION_TYPE)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *static_cast<TOKEN_ELEVATION_TYPE*>(info) = g_elevation;
    *returned = sizeof(TOKEN_ELEVATION_TYPE);
    return TRUE;
}

// The service seam's status answer: the real one, or a fixed state.
DWORD g_reportedState = 0;
BOOL WINAPI ReportedStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
    g_serviceCalls.push_back(L"QueryServiceStatus");
    if (!::QueryServiceStatus(service, status))
        return FALSE;
    if (g_reportedState != 0)
        status->dwCurrentState = g_reportedState;
    return TRUE;
}

} // namespace

class Preflight : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PutSpoolerServiceIn(SERVICE_RUNNING));
        g_serviceCalls.clear();
        g_refuseManager = 0;
        g_reportedState = 0;
    }
    void TearDown() override {
        SetAccountForTesting(nullptr);
        SetTrustForTesting(nullptr);
        SetProtectedPrintForTesting(nullptr);
        engine::SetServiceControlForTesting(nullptr);
        testing_support::RemoveTree(scratch);
    }

    // A fresh copy of the distribution's catalogue and driver packages.
    std::wstring FreshCopy() {
        testing_support::RemoveTree(dist);
        EXPECT_TRUE(::CreateDirectoryW(dist.c_str(), nullptr));
        EXPECT_TRUE(CopyTree(DistDirectory() + L"\\24Pin", dist + L"\\24Pin"));
        EXPECT_TRUE(::CopyFileW((DistDirectory() + L"\\PrinterInfo.ini").c_str(),
                                (dist + L"\\PrinterInfo.ini").c_str(), FALSE));
        return dist;
    }
    std::wstring Package() const {
        return dist + L"\\24Pin\\" + PackageArchitectureFolder(IsNative64Bit());
    }
    std::wstring OtherPackage() const {
        return dist + L"\\24Pin\\" + PackageArchitectureFolder(!IsNative64Bit());
    }
    // The package INF without the lines holding `text`.
    void DropInfLines(const std::string& text) {
        const std::wstring inf = Package() + L"\\24Pin.inf";
        const std::string bytes = ReadFileBytes(inf);
        ASSERT_NE(std::string::npos, bytes.find(text));
        std::string kept;
        size_t start = 0;
        while (start < bytes.size()) {
            size_t end = bytes.find('\n', start);
            end = end == std::string::npos ? bytes.size() : end + 1;
            const std::string line = bytes.substr(start, end - start);
            if (line.find(text) == std::string::npos)
                kept += line;
            start = end;
        }
        ASSERT_TRUE(WriteFileBytes(inf, kept));
    }

    SpoolerServiceGuard spoolerService;
    std::wstring scratch = testing_support::MakeScratchFolder(L"preflight");
    std::wstring dist = scratch + L"dist";
};

TEST_F(Preflight, SampleDistributionPassesEveryRowAndChangesNothing) {
    const MachineState before;
    const std::vector<std::wstring> distBefore = TreeListing(DistDirectory());
    const DWORD started = ::GetTickCount();
    const Rows rows = RunPreflight(DistDirectory());
    const DWORD elapsed = ::GetTickCount() - started;
    EXPECT_EQ(kAllChecks, ChecksOf(rows));
    ExpectRows(rows, {});
    EXPECT_TRUE(AllRowsOk(rows));
    // The catalogue row says how many models it found.
    EXPECT_NE(std::wstring::npos, rows[3].detail.find(L"5 个型号")) << rows[3].detail;
    ExpectUnchanged(before);
    EXPECT_EQ(distBefore, TreeListing(DistDirectory()));
    RecordProperty("elapsedMs", static_cast<int>(elapsed));
    std::printf("whole pre-flight: %lu ms\n", static_cast<unsigned long>(elapsed));

    // One model: the catalogue must list it, and only its files are asked for.
    for (const wchar_t* model : {L"KV-8280", L"KV-8250 OLI"}) {
        SCOPED_TRACE(model);
        const Rows one = RunPreflight(DistDirectory(), model);
        EXPECT_EQ(kAllChecks, ChecksOf(one));
        ExpectRows(one, {});
    }
    ExpectRows(RunPreflight(DistDirectory(), L"KV-9999"), {{kCheckCatalogue, L"KV-9999"},
                                                           {kCheckInf, L"Korvane KV-9999"},
                                                           {kCheckDataFiles, L"KV-9999.GPD"}});
    ExpectUnchanged(before);
}

TEST_F(Preflight, BrokenCopiesFailTheRowsOfWhatTheyLack) {
    const std::wstring other = IsNative64Bit() ? L"x86" : L"x64";
    const std::wstring section = pnp::ModelSectionHeader(IsNative64Bit());
    const struct Case {
        const char* name;
        std::function<void()> damage;
        Failures failures;
    } cases[] = {
        {"the distribution as it is", [] {}, {}},
        {"a maker's file missing",
         [&] { ASSERT_TRUE(::DeleteFileW((Package() + L"\\PrnSetUI.dll").c_str())); },
         {{kCheckPackage, Package() + L"\\PrnSetUI.dll"}}},
        {"the OLI plug-in missing",
         [&] { ASSERT_TRUE(::DeleteFileW((Package() + L"\\OemPrUni.dll").c_str())); },
         {{kCheckPackage, Package() + L"\\OemPrUni.dll"}}},
        {"a model's data file missing (from the package's subfolder)",
         [&] { ASSERT_TRUE(::DeleteFileW((Package() + L"\\GPD\\KV-8280.GPD").c_str())); },
         {{kCheckDataFiles, Package() + L"\\KV-8280.GPD"}}},
        {"the INF without a model's line",
         [&] { DropInfLines("\"Korvane KV-8260\""); },
         {{kCheckInf, L"Korvane KV-8260"}}},
        {"the INF without this Windows' model section",
         [&] {
             const std::wstring inf = Package() + L"\\24Pin.inf";
             std::string bytes = ReadFileBytes(inf);
             const std::string header(section.begin(), section.end());
             const size_t at = bytes.find("\n" + header);
             ASSERT_NE(std::string::npos, at);
             bytes.replace(at + 1, header.size(), "[Renamed]");
             ASSERT_TRUE(WriteFileBytes(inf, bytes));
         },
         {{kCheckInf, section}}},
        {"the INF missing",
         [&] { ASSERT_TRUE(::DeleteFileW((Package() + L"\\24Pin.inf").c_str())); },
         {{kCheckInf, Package() + L"\\24Pin.inf"}}},
        {"the catalogue missing",
         [&] { ASSERT_TRUE(::DeleteFileW((dist + L"\\PrinterInfo.ini").c_str())); },
         {{kCheckCatalogue, dist + L"\\PrinterInfo.ini"},
          {kCheckInf, L"产品目录"},
          {kCheckDataFiles, L"产品目录"}}},
        {"the package folder missing",
         [&] { testing_support::RemoveTree(Package()); },
         {{kCheckPackage, Package()},
          {kCheckInf, Package()},
          {kCheckDataFiles, Package()},
          {kCheckMonitor, Package()}}},
        {"the language monitor missing",
         [&] { ASSERT_TRUE(::DeleteFileW((Package() + L"\\QVMLMN.dll").c_str())); },
         {{kCheckPackage, Package() + L"\\QVMLMN.dll"},
          {kCheckMonitor, Package() + L"\\QVMLMN.dll"}}},
        {"the other architecture's language monitor",
         [&] {
             ASSERT_TRUE(::CopyFileW((OtherPackage() + L"\\QVMLMN.dll").c_str(),
                                     (Package() + L"\\QVMLMN.dll").c_str(), FALSE));
         },
         {{kCheckMonitor, other}}},
        {"a language monitor that is no program library",
         [&] { ASSERT_TRUE(WriteFileBytes(Package() + L"\\QVMLMN.dll", "placeholder")); },
         {{kCheckMonitor, Package() + L"\\QVMLMN.dll"}}},
    };
    const MachineState before;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshCopy();
        c.damage();
        const std::vector<std::wstring> copyBefore = TreeListing(dist);
        const Rows rows = RunPreflight(dist);
        EXPECT_EQ(kAllChecks, ChecksOf(rows));
        ExpectRows(rows, c.failures);
        EXPECT_EQ(c.failures.empty(), AllRowsOk(rows));
        EXPECT_EQ(copyBefore, TreeListing(dist)); // nothing written into the distribution
    }
    ExpectUnchanged(before);
}

TEST_F(Preflight, PackageChecksOfOneModelAskForItsFilesOnly) {
    FreshCopy();
    ASSERT_TRUE(::DeleteFileW((Package() + L"\\OemPrUni.dll").c_str()));
    ASSERT_TRUE(::DeleteFileW((Package() + L"\\KV-8230.GPD").c_str()));
    DropInfLines("\"Korvane KV-8260\"");
    const MachineState before;
    const struct {
        const wchar_t* model;
        Failures failures;
    } cases[] = {
        {L"KV-8200", {}},
        {L"KV-8280", {}}, // its data file lies in a subfolder
        {L"KV-8250 OLI", {{kCheckPackage, Package() + L"\\OemPrUni.dll"}}},
        {L"KV-8230", {{kCheckDataFiles, Package() + L"\\KV-8230.GPD"}}},
        {L"KV-8260", {{kCheckInf, L"Korvane KV-8260"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        const Rows rows = RunPackageChecks(dist, c.model);
        EXPECT_EQ(kPackageChecks, ChecksOf(rows));
        ExpectRows(rows, c.failures);
        EXPECT_EQ(c.failures.empty(), AllRowsOk(rows));
    }
    // Without the package folder every package check fails at once.
    testing_support::RemoveTree(Package());
    const Rows rows = RunPackageChecks(dist, L"KV-8200");
    ExpectRows(rows, {{kCheckPackage, Package()},
                      {kCheckInf, Package()},
                      {kCheckDataFiles, Package()},
                      {kCheckMonitor, Package()}});
    ExpectUnchanged(before);
}

TEST_F(Preflight, AdministratorRowFromTheTokensMembership) {
    // Under Wine the test runs elevated: the system's answer passes.
    ExpectRows(RunPreflight(DistDirectory()), {});

    AccountApi account = Account();
    account.CheckTokenMembership = &FakeMembership;
    account.GetTokenInformation = &FakeTokenInformation;
    SetAccountForTesting(&account);
    const struct {
        const char* name;
        BOOL member;
        DWORD error;
        TOKEN_ELEVATION_TYPE elevation;
        const wchar_t* detail; // empty: the row passes
    } cases[] = {
        {"elevated administrator", TRUE, 0, TokenElevationTypeFull, L""},
        {"administrator without elevation", FALSE, 0, TokenElevationTypeLimited, L"未提升"},
        {"standard user", FALSE, 0, TokenElevationTypeDefault, L"不属于 Administrators"},
        {"membership cannot be asked", FALSE, ERROR_ACCESS_DENIED, TokenElevationTypeDefault,
         L"错误 5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_member = c.member;
        g_membershipError = c.error;
        g_elevation = c.elevation;
        const Rows rows = RunPreflight(DistDirectory());
        if (*c.detail == L'\0')
            ExpectRows(rows, {});
        else
            ExpectRows(rows, {{kCheckAdministrator, c.detail}});
    }
}

TEST_F(Preflight, SpoolerRowOnlyAsksTheServiceItsState) {
    // The real service, stopped: the row fails and the service stays stopped.
    ASSERT_TRUE(PutSpoolerServiceIn(SERVICE_STOPPED));
    ExpectRows(RunPreflight(DistDirectory()), {{kCheckSpooler, L"状态 1"}});
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), SpoolerServiceState());
    ASSERT_TRUE(PutSpoolerServiceIn(SERVICE_RUNNING));

    engine::ServiceControlApi services = RecordingServices();
    services.QueryServiceStatus = &ReportedStatus;
    engine::SetServiceControlForTesting(&services);
    const struct {
        const char* name;
        DWORD refuseManager;
        DWORD state;
        const wchar_t* detail;
    } cases[] = {
        {"running", 0, 0, L""},
        {"still starting", 0, SERVICE_START_PENDING, L"状态 2"},
        {"stopping", 0, SERVICE_STOP_PENDING, L"状态 3"},
        {"service manager refused", ERROR_ACCESS_DENIED, 0, L"错误 5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_refuseManager = c.refuseManager;
        g_reportedState = c.state;
        g_serviceCalls.clear();
        const Rows rows = RunPreflight(DistDirectory());
        if (*c.detail == L'\0')
            ExpectRows(rows, {});
        else
            ExpectRows(rows, {{kCheckSpooler, c.detail}});
        // Asked, never started or stopped.
        for (const std::wstring& call : g_serviceCalls) {
            EXPECT_EQ(std::wstring::npos, call.find(L"StartService")) << call;
            EXPECT_EQ(std::wstring::npos, call.find(L"ControlService")) << call;
        }
        EXPECT_FALSE(g_serviceCalls.empty());
    }
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), SpoolerServiceState());
}

namespace {

// The system's answer on protected print mode, played: on, off, or no such mode.
HRESULT g_protectedAnswer = E_NOTIMPL;
bool g_protectedOn = false;
HRESULT PlayProtectedPrint(bool* enabled) {
    if (SUCCEEDED(g_protectedAnswer))
        *enabled = g_protectedOn;
    return g_protectedAnswer;
}
const ProtectedPrintApi kPlayedProtectedPrint{&PlayProtectedPrint};

// The policy value in the registry's native view, as Group Policy writes it; -1 deletes it.
void SetProtectedPrintPolicy(int value) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProtectedPrintPolicyKey, 0, nullptr, 0,
                                KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr));
    if (value < 0) {
        ::RegDeleteValueW(key, kProtectedPrintPolicyValue);
    } else {
        const DWORD data = static_cast<DWORD>(value);
        ::RegSetValueExW(key, kProtectedPrintPolicyValue, 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&data), sizeof(data));
    }
    ::RegCloseKey(key);
}

const PreflightRow& RowOf(const Rows& rows, const std::wstring& check) {
    static const PreflightRow none;
    for (const PreflightRow& row : rows)
        if (row.check == check)
            return row;
    ADD_FAILURE() << "no row";
    return none;
}

// The signature check's trust answer, played, with the file it was asked about.
LONG g_trustAnswer = 0;
std::wstring g_trustedFile;
LONG WINAPI PlayTrust(HWND, GUID*, LPVOID data) {
    const auto* trust = static_cast<const WINTRUST_DATA*>(data);
    if (trust->dwStateAction == WTD_STATEACTION_VERIFY)
        g_trustedFile = trust->pFile->pcwszFilePath;
    return g_trustAnswer;
}
const TrustApi kPlayedTrust{&PlayTrust};

} // namespace

// Protected print mode, as Windows answers (played: Wine has no such mode) or as its policy value
// says (set for real in the bench's registry): on from either fails the row and names it.
TEST_F(Preflight, ProtectedPrintRowFromWindowsOrItsPolicy) {
    SetProtectedPrintForTesting(&kPlayedProtectedPrint);
    const struct {
        const char* name;
        HRESULT answer;
        bool windowsOn;
        int policy; // -1: no value
        bool on;
        const wchar_t* how;
    } cases[] = {
        {"no such mode, no policy", E_NOTIMPL, false, -1, false, L"策略未开启"},
        {"Windows says off", S_OK, false, -1, false, L"未开启"},
        {"Windows says on", S_OK, true, -1, true, L"Windows"},
        {"no such mode, policy on", E_NOTIMPL, false, 1, true, L"policy"},
        {"Windows says off, policy on", S_OK, false, 1, true, L"policy"},
        {"policy off", E_NOTIMPL, false, 0, false, L"策略未开启"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_protectedAnswer = c.answer;
        g_protectedOn = c.windowsOn;
        SetProtectedPrintPolicy(c.policy);
        const ProtectedPrintState state = ProtectedPrintMode();
        EXPECT_EQ(c.on, state.enabled);
        EXPECT_NE(std::wstring::npos, state.how.find(c.how))
            << std::string(state.how.begin(), state.how.end());
        const PreflightRow& row = RowOf(RunPreflight(DistDirectory()), kCheckProtectedPrint);
        EXPECT_EQ(!c.on, row.ok);
        EXPECT_FALSE(row.warning);
        EXPECT_EQ(c.on, row.detail.find(L"受保护的打印模式已开启") != std::wstring::npos);
    }
    SetProtectedPrintPolicy(-1);
    SetProtectedPrintForTesting(nullptr);
    // This Wine has no such mode: the system's own answer is "off".
    EXPECT_FALSE(ProtectedPrintMode().enabled);
}

// The package's catalogue: none named, named but missing, present but not signed (Wine's own
// verdict on a file of other bytes), and signed (played): each a warning row that never fails the
// pre-flight, and is in the package checks an installation logs.
TEST_F(Preflight, SignatureRowWarnsWithoutASignedCatalogue) {
    FreshCopy();
    const std::wstring inf = Package() + L"\\24Pin.inf";
    const std::wstring catalogue = Package() + L"\\kv.cat";
    std::string bytes = ReadFileBytes(inf);
    const size_t version = bytes.find("[Version]");
    ASSERT_NE(std::string::npos, version);
    const size_t lineEnd = bytes.find('\n', version);
    ASSERT_NE(std::string::npos, lineEnd);
    const struct {
        const char* name;
        std::function<void()> prepare;
        bool ok;
        const wchar_t* detail;
    } cases[] = {
        {"no catalogue named", [] {}, false, L"CatalogFile"},
        {"named, missing",
         [&] {
             bytes.insert(lineEnd + 1, "CatalogFile=kv.cat\r\n");
             ASSERT_TRUE(WriteFileBytes(inf, bytes));
         },
         false, L"不在驱动包中"},
        {"present, not signed", [&] { ASSERT_TRUE(WriteFileBytes(catalogue, "not a catalogue")); },
         false, L"没有可信的签名（0x"},
        {"signed", [&] { SetTrustForTesting(&kPlayedTrust); }, true, L"已签名"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        for (const Rows& rows : {RunPreflight(dist), RunPackageChecks(dist, L"KV-8200")}) {
            const PreflightRow& row = RowOf(rows, kCheckSignature);
            EXPECT_TRUE(row.warning);
            EXPECT_EQ(c.ok, row.ok);
            EXPECT_NE(std::wstring::npos, row.detail.find(c.detail))
                << std::string(row.detail.begin(), row.detail.end());
            EXPECT_EQ(c.ok, row.detail.find(L"即插即用") == std::wstring::npos);
        }
    }
    EXPECT_EQ(catalogue, g_trustedFile);
    SetTrustForTesting(nullptr);
}
