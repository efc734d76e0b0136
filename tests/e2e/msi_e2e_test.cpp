// The Windows Installer package run by Wine's msiexec as deployment systems run it: installed and
// removed silently, with one Apps & Features entry; a package of a broken distribution fails and
// leaves nothing; a newer package upgrades an older one.
#include "tests/e2e/e2e_support.h"
#include "tests/support/spooler_objects.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <set>
#include <string>
#include <vector>

using namespace e2e;
using namespace testing_support;

namespace {

// Windows Installer fails a package whose custom action fails with 1603; Wine's msiexec says
// 1627 ("function failed") for the same rollback.
constexpr DWORD kPackageFailed = 1603;
constexpr DWORD kPackageFailedUnderWine = 1627;

// Wine's msiexec differs from Windows Installer in places the tests name.
bool UnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Runs msiexec with `arguments` and waits for it; its exit code, or STILL_ACTIVE when it did not
// end in time.
DWORD RunMsiexec(const std::wstring& arguments) {
    std::wstring line = L"msiexec.exe " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &process)) {
        ADD_FAILURE() << "msiexec did not start";
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process.hProcess, 180000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &code);
    else
        ::TerminateProcess(process.hProcess, 99);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

struct Entry {
    std::wstring key;
    std::wstring version;
};

std::wstring TextValue(HKEY key, const wchar_t* name) {
    wchar_t text[512] = L"";
    DWORD size = sizeof(text) - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return text;
}

// The Apps & Features entries of our product, in both registry views.
std::vector<Entry> OurEntries() {
    std::vector<Entry> entries;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY uninstall = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0,
                            KEY_READ | view, &uninstall) != ERROR_SUCCESS)
            continue;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD size = 256;
            if (::RegEnumKeyExW(uninstall, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            HKEY key = nullptr;
            if (::RegOpenKeyExW(uninstall, name, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
                continue;
            if (TextValue(key, L"DisplayName") == L"Korvane 82列票据打印机驱动") {
                const Entry entry{name, TextValue(key, L"DisplayVersion")};
                bool seen = false; // one key seen through both views (not redirected)
                for (const Entry& other : entries)
                    seen = seen || other.key == entry.key;
                if (!seen)
                    entries.push_back(entry);
            }
            ::RegCloseKey(key);
        }
        ::RegCloseKey(uninstall);
    }
    return entries;
}

// Where the package puts the distribution folder.
std::wstring PackageFolder() {
    // Program Files of the package's architecture, which is this test's.
    return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Velmora\\Korvane Setup";
}

// Our queues, drivers and monitors on the machine, with the entries and the folders.
struct Footprint {
    std::set<std::wstring> printers, drivers, monitors;
    size_t entries = 0;
    bool packageSetup = false; // Setup.exe in the package's folder
    bool productFolder = false;
    static Footprint Now() {
        Footprint now;
        now.printers = Ours(PrinterNames());
        now.drivers = Ours(DriverNames(ThisWindowsEnvironment().c_str()));
        now.monitors = Ours(MonitorNames());
        now.entries = OurEntries().size();
        now.packageSetup = FileExists(PackageFolder() + L"\\Setup.exe");
        now.productFolder = FolderExists(ProductFolder());
        return now;
    }
    bool Empty() const {
        return printers.empty() && drivers.empty() && monitors.empty() && entries == 0 &&
               !packageSetup && !productFolder;
    }
};

std::string Describe(const Footprint& f) {
    return std::to_string(f.printers.size()) + " printers, " + std::to_string(f.drivers.size()) +
           " drivers, " + std::to_string(f.monitors.size()) + " monitors, " +
           std::to_string(f.entries) + " entries, package Setup.exe " +
           (f.packageSetup ? "present" : "absent") + ", product folder " +
           (f.productFolder ? "present" : "absent");
}

class Package : public ::testing::Test {
protected:
    void SetUp() override {
        scratch = MakeScratchFolder(L"msi");
        ASSERT_TRUE(Footprint::Now().Empty())
            << "the machine holds our product already: " << Describe(Footprint::Now());
    }
    // The package copied to a local folder, as deployment systems run it.
    std::wstring Local(const char* built, const wchar_t* name) {
        const std::wstring path = scratch + name;
        EXPECT_TRUE(::CopyFileW(WinePathOf(built).c_str(), path.c_str(), FALSE)) << built;
        return path;
    }
    std::wstring scratch;
};

TEST_F(Package, InstallsWithOneEntryAndRemovesEverything) {
    if (!WholeRouteRunsHere())
        GTEST_SKIP() << "the 32-bit installer cannot end the spooler route on 64-bit Windows "
                        "under Wine (its in-process spooler cannot load the 64-bit monitor)";
    const std::wstring package = Local(MSI_PACKAGE, L"package.msi");
    const std::wstring log = scratch + L"install.log";
    ASSERT_EQ(0u, RunMsiexec(L"/i \"" + package + L"\" /qn MODEL=KV-8200 PORT=LPT1: /l*v \"" + log +
                             L"\""));
    const Footprint installed = Footprint::Now();
    EXPECT_EQ(std::set<std::wstring>{L"Korvane KV-8200"}, installed.printers);
    EXPECT_EQ(std::set<std::wstring>{L"Korvane KV-8200"}, installed.drivers);
    EXPECT_EQ(1u, installed.monitors.size());
    EXPECT_TRUE(installed.packageSetup);
    // One entry: the package's, under its product code; the installer wrote none of its own.
    const std::vector<Entry> entries = OurEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(L'{', entries[0].key[0]) << Utf8Of(entries[0].key);
    EXPECT_EQ(ProductVersion(), entries[0].version);
    // The installer's report, in the package's folder (only administrators write there).
    const std::string report = ReadFileBytes(PackageFolder() + L"\\Reports\\install.json");
    EXPECT_NE(std::string::npos, report.find("\"result\": \"installed\"")) << report;

    ASSERT_EQ(0u, RunMsiexec(L"/x \"" + package + L"\" /qn"));
    const Footprint removed = Footprint::Now();
    EXPECT_TRUE(removed.Empty()) << Describe(removed);
    const std::string removal = ReadFileBytes(PackageFolder() + L"\\Reports\\uninstall.json");
    EXPECT_NE(std::string::npos, removal.find("\"result\": \"removed\"")) << removal;
}

TEST_F(Package, BrokenDistributionFailsAndLeavesNothing) {
    // The distribution lacks the language monitor of both packages: the installer refuses it
    // before it changes anything (1619), and the package rolls its files back.
    const std::wstring package = Local(MSI_BROKEN_PACKAGE, L"broken.msi");
    const DWORD code = RunMsiexec(L"/i \"" + package + L"\" /qn MODEL=KV-8200 PORT=LPT1:");
    EXPECT_TRUE(code == kPackageFailed || code == kPackageFailedUnderWine) << code;
    const Footprint after = Footprint::Now();
    EXPECT_TRUE(after.Empty()) << Describe(after);
    const std::wstring folder = PackageFolder();
    EXPECT_FALSE(FileExists(folder + L"\\PrinterInfo.ini")) << "the copied files are rolled back";
}

TEST_F(Package, NewerPackageUpgradesInPlace) {
    if (!WholeRouteRunsHere())
        GTEST_SKIP() << "the 32-bit installer cannot end the spooler route on 64-bit Windows "
                        "under Wine (its in-process spooler cannot load the 64-bit monitor)";
    const std::wstring older = Local(MSI_PACKAGE, L"older.msi");
    const std::wstring newer = Local(MSI_NEXT_PACKAGE, L"newer.msi");
    ASSERT_EQ(0u, RunMsiexec(L"/i \"" + older + L"\" /qn MODEL=KV-8200 PORT=LPT1:"));
    const std::vector<Entry> before = OurEntries();
    ASSERT_EQ(1u, before.size());

    ASSERT_EQ(0u, RunMsiexec(L"/i \"" + newer + L"\" /qn MODEL=KV-8200 PORT=LPT1:"));
    const Footprint upgraded = Footprint::Now();
    EXPECT_EQ(std::set<std::wstring>{L"Korvane KV-8200"}, upgraded.printers);
    EXPECT_EQ(std::set<std::wstring>{L"Korvane KV-8200"}, upgraded.drivers);
    const std::vector<Entry> after = OurEntries();
    ASSERT_EQ(1u, after.size());
    EXPECT_EQ(NextProductVersion(), after[0].version);
    EXPECT_NE(before[0].key, after[0].key) << "a new product code per version";
    // Windows removes the older package with UPGRADINGPRODUCTCODE set, so its removal keeps the
    // queue and the newer installer takes it over. Wine's RemoveExistingProducts does not set
    // it: there the older removal takes the queue away and the newer installer adds it again.
    const std::string report = ReadFileBytes(PackageFolder() + L"\\Reports\\install.json");
    const char* change = UnderWine() ? "\"change\": \"added\"" : "\"change\": \"updated\"";
    EXPECT_NE(std::string::npos, report.find(change)) << report;

    // The older package over the newer product changes nothing.
    EXPECT_NE(0u, RunMsiexec(L"/i \"" + older + L"\" /qn MODEL=KV-8200 PORT=LPT1:"));
    ASSERT_EQ(1u, OurEntries().size());
    EXPECT_EQ(NextProductVersion(), OurEntries()[0].version);

    ASSERT_EQ(0u, RunMsiexec(L"/x \"" + newer + L"\" /qn"));
    const Footprint removed = Footprint::Now();
    EXPECT_TRUE(removed.Empty()) << Describe(removed);
}

} // namespace
