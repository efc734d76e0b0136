// Driver file staging under Wine: the package copied into the spooler's real driver directory,
// and the INF handed to the setup library. Refusals Wine does not produce (a read-only target as
// root, the setup library's answers) come through the staging seam.
#include "engine/driver_staging.h"
#include "engine/package_locator.h"
#include "engine/package_paths.h"
#include "engine/spooler_api.h"
#include "engine/staging_api.h"
#include "engine/support_paths.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/engine/staging_seams.h"
#include "tests/support/error_dialog_watcher.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

using namespace engine;
using namespace installer_tests;
using testing_support::ErrorDialogWatcher;
using testing_support::FileExists;
using testing_support::MakeScratchFolder;
using testing_support::ReadFileBytes;
using testing_support::RemoveTree;
using testing_support::SpecialFolder;

namespace {

using Codes = std::vector<std::wstring>;

std::wstring ProgramFilesProductFolder() {
    return SpecialFolder(CSIDL_PROGRAM_FILESX86) + L"\\" + kProductFolderName;
}

std::wstring StartMenuProductFolder() {
    return SpecialFolder(CSIDL_STARTMENU) + L"\\" + kProductFolderName;
}

} // namespace

// ---- The package copied into the spooler's driver directory ------------------------------------

class DriverStaging : public ::testing::Test {
protected:
    void SetUp() override {
        driverDirectory = DriverDirectory();
        ASSERT_FALSE(driverDirectory.empty());
        target = driverDirectory + L"\\";
        scratch = MakeScratchFolder(L"driver-staging");
        package = scratch + L"package\\";
        ::CreateDirectoryW(package.c_str(), nullptr);
        g_overwriteError = 0;
        g_overwrites = 0;
        g_infErrors.clear();
        g_infCalls.clear();
        RemoveTree(ProgramFilesProductFolder());
        RemoveTree(StartMenuProductFolder());
    }
    void TearDown() override {
        SetStagingForTesting(nullptr);
        SetSpoolerForTesting(nullptr);
        versionFiles.RemoveAdded();
        infFiles.RemoveAdded();
        RemoveTree(ProgramFilesProductFolder());
        RemoveTree(StartMenuProductFolder());
        RemoveTree(scratch);
    }
    void PackageFile(const std::wstring& relative, const std::string& bytes) {
        PutFile(package + relative, bytes);
    }
    // Content of a file of the driver directory; nullopt when it is not there.
    std::optional<std::string> Staged(const std::wstring& name) const {
        if (!FileExists(target + name))
            return std::nullopt;
        return ReadFileBytes(target + name);
    }
    // A distribution folder with the package of this process beside a support folder.
    std::wstring MakeDistribution() {
        const std::wstring dist = scratch + L"dist";
        const std::wstring packageFolder = DriverSourceFolderOf(dist, IsNative64Bit());
        ::CreateDirectoryW(dist.c_str(), nullptr);
        ::CreateDirectoryW((dist + L"\\24Pin").c_str(), nullptr);
        EXPECT_TRUE(
            CopyTree(NativePackageFolder(), packageFolder.substr(0, packageFolder.size() - 1)));
        const std::wstring manuals = std::wstring(L"\\") + kManualsFolderName;
        EXPECT_TRUE(CopyTree(testing_support::DistDirectory() + manuals, dist + manuals));
        return dist;
    }

    std::wstring driverDirectory, target, scratch, package;
    FolderStash driverFiles{DriverDirectory()}; // restored when the test ends
    FolderSnapshot versionFiles{DriverDirectory() + L"\\3"};
    FolderSnapshot infFiles{SystemInfFolder()};
};

TEST_F(DriverStaging, ListedFilesLandSideBySide) {
    PackageFile(L"QVMLMN.dll", "monitor");
    PackageFile(L"unidrv.dll", "package unidrv");
    PackageFile(L"unires.dll", "package unires");
    PackageFile(L"res.dll", "res");
    PackageFile(L"KV-8230.GPD", "other model");
    PackageFile(L"24Pin.inf", "inf");
    PackageFile(L"readme.txt", "readme");
    ::CreateDirectoryW((package + L"GPD").c_str(), nullptr);
    PackageFile(L"GPD\\KV-8200.GPD", "model");
    // The system's own Unidrv file is already there.
    PutFile(target + L"unidrv.dll", "system unidrv");

    ErrorDialogWatcher watcher;
    EXPECT_TRUE(CopyDriverTree(package, target, L"KV-8200.GPD"));
    EXPECT_EQ(Codes{}, watcher.Codes());

    const struct {
        const wchar_t* name;
        std::optional<std::string> content;
    } expected[] = {
        {L"QVMLMN.dll", std::string("monitor")},
        {L"unidrv.dll", std::string("system unidrv")},  // never replaced
        {L"unires.dll", std::string("package unires")}, // a missing platform file is copied
        {L"res.dll", std::string("res")},               // "res.dll" occurs in "qtlm24res.dll"
        {L"KV-8200.GPD", std::string("model")},         // from the subfolder, flat
        {L"KV-8230.GPD", std::nullopt},
        {L"24Pin.inf", std::nullopt},
        {L"readme.txt", std::nullopt},
    };
    for (const auto& e : expected)
        EXPECT_EQ(e.content, Staged(e.name)) << e.name;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((target + L"GPD").c_str()));
}

// A busy target shows code "2" and the copy goes on; the tree's result is that of the last
// maker's file in enumeration order (PrnSet.ini before QVMLMN.dll).
TEST_F(DriverStaging, BusyTargetShowsCodeAndTheNextFileStillGoes) {
    PackageFile(L"PrnSet.ini", "new settings");
    PackageFile(L"QVMLMN.dll", "new monitor");
    ASSERT_EQ((std::vector<std::wstring>{L"PrnSet.ini", L"QVMLMN.dll"}),
              EnumerationOrder(scratch + L"package"));
    const struct {
        const wchar_t* held;
        const wchar_t* other;
        bool result;
    } cases[] = {{L"PrnSet.ini", L"QVMLMN.dll", true}, {L"QVMLMN.dll", L"PrnSet.ini", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.held);
        PutFile(target + L"PrnSet.ini", "old settings");
        PutFile(target + L"QVMLMN.dll", "old monitor");
        const std::string heldBefore = *Staged(c.held);
        ErrorDialogWatcher watcher;
        {
            HeldFile held(target + c.held);
            ASSERT_TRUE(held.IsHeld());
            EXPECT_EQ(c.result, CopyDriverTree(package, target, L"KV-8200.GPD"));
        }
        EXPECT_EQ(Codes{L"2"}, watcher.Codes());
        EXPECT_EQ(heldBefore, Staged(c.held));
        EXPECT_EQ(ReadFileBytes(package + c.other), Staged(c.other));
    }
}

TEST_F(DriverStaging, ReadOnlyTargetIsReplaced) {
    PackageFile(L"QVMLMN.dll", "new monitor");
    PutFile(target + L"QVMLMN.dll", "old monitor");
    ::SetFileAttributesW((target + L"QVMLMN.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    StagingOverride scope(StagingWith(&CopyAsWindowsDoes, nullptr));
    ErrorDialogWatcher watcher;
    EXPECT_TRUE(CopyDriverTree(package, target, L"KV-8200.GPD"));
    EXPECT_EQ(Codes{}, watcher.Codes());
    EXPECT_EQ(std::string("new monitor"), Staged(L"QVMLMN.dll"));
    EXPECT_EQ(2, g_overwrites); // refused once, then accepted without the attribute
}

// The OLI plug-in is staged like the maker's files for OLI models only: copied when missing and
// replaced when different.
TEST_F(DriverStaging, OliModelsTakeTheOliPlugin) {
    PackageFile(L"OemPrUni.dll", "oli plug-in");
    PackageFile(L"OemPR.ini", "oli settings");
    PackageFile(L"QVMLMN.dll", "monitor");
    const struct {
        const wchar_t* dataFile;
        std::optional<std::string> plugin;
        std::string settings;
    } cases[] = {
        {L"KV-8250 OLI.GPD", std::string("oli plug-in"), "oli settings"},
        {L"KV-8200.GPD", std::nullopt, "old settings"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataFile);
        ::DeleteFileW((target + L"OemPrUni.dll").c_str());
        PutFile(target + L"OemPR.ini", "old settings");
        ErrorDialogWatcher watcher;
        EXPECT_TRUE(CopyDriverTree(package, target, c.dataFile));
        EXPECT_EQ(Codes{}, watcher.Codes());
        EXPECT_EQ(c.plugin, Staged(L"OemPrUni.dll"));
        EXPECT_EQ(std::optional<std::string>(c.settings), Staged(L"OemPR.ini"));
    }
}

// A subfolder pass counts like a file: one without listed files, enumerated after the last
// maker's file, fails the tree silently, although everything listed was copied.
TEST_F(DriverStaging, LastSubfolderDecidesTheTree) {
    PackageFile(L"QVMLMN.dll", "monitor");
    const struct {
        const wchar_t* subfolder;
        bool last;
    } cases[] = {{L"aa-extras", false}, {L"zz-extras", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subfolder);
        const std::wstring sub = package + c.subfolder;
        ::CreateDirectoryW(sub.c_str(), nullptr);
        PutFile(sub + L"\\readme.txt", "not listed");
        ASSERT_EQ(c.last, EnumerationOrder(scratch + L"package").back() == c.subfolder);
        ::DeleteFileW((target + L"QVMLMN.dll").c_str());
        ErrorDialogWatcher watcher;
        EXPECT_EQ(!c.last, CopyDriverTree(package, target, L"KV-8200.GPD"));
        EXPECT_EQ(Codes{}, watcher.Codes());
        EXPECT_EQ(std::string("monitor"), Staged(L"QVMLMN.dll"));
        RemoveTree(sub);
    }
}

TEST_F(DriverStaging, TreeWithoutMakerFilesFails) {
    EXPECT_FALSE(CopyDriverTree(package, target, L"KV-8200.GPD")) << "empty package";
    EXPECT_FALSE(CopyDriverTree(scratch + L"missing\\", target, L"KV-8200.GPD"));
    PackageFile(L"unires.dll", "platform only");
    PackageFile(L"readme.txt", "not listed");
    EXPECT_FALSE(CopyDriverTree(package, target, L"KV-8200.GPD"));
    EXPECT_EQ(std::string("platform only"), Staged(L"unires.dll"));
}

// A whole distribution: driver files, support folders and the INF.
TEST_F(DriverStaging, StagesAPackageForACatalogueModel) {
    const std::wstring dist = MakeDistribution();
    const std::wstring packageFolder = DriverSourceFolderOf(dist, IsNative64Bit());
    StagingOverride scope(StagingWith(nullptr, &ScriptedCopyOemInf));
    ErrorDialogWatcher watcher;

    ASSERT_TRUE(StageDriverPackageFrom(dist, L"KV-8200.GPD"));
    EXPECT_EQ(Codes{}, watcher.Codes());
    for (const wchar_t* name : {L"QVMLMN.dll", L"QTLM24RES.DLL", L"PrnSet.ini", L"PrnSetUI.dll",
                                L"KV-8200.GPD", L"unidrv.dll", L"STDNAMES.GPD"})
        EXPECT_EQ(ReadFileBytes(packageFolder + name), Staged(name)) << name;
    EXPECT_FALSE(Staged(L"KV-8230.GPD"));
    EXPECT_FALSE(Staged(L"OemPrUni.dll"));

    ASSERT_EQ(1u, g_infCalls.size());
    EXPECT_EQ(packageFolder + L"24Pin.inf", g_infCalls[0].infPath);
    EXPECT_EQ(packageFolder, g_infCalls[0].mediaLocation);
    EXPECT_EQ(static_cast<DWORD>(SPOST_PATH), g_infCalls[0].mediaType);
    EXPECT_EQ(0u, g_infCalls[0].copyStyle);
    EXPECT_TRUE(g_infCalls[0].noNameReturned);
    EXPECT_TRUE(FileExists(SystemInfFolder() + L"\\24Pin.inf"));

    EXPECT_TRUE(FileExists(ProgramFilesProductFolder() + L"\\产品手册\\使用手册.txt"));
}

TEST_F(DriverStaging, InfStagingRetriesOnceAfterNotFound) {
    const struct {
        const char* what;
        std::vector<DWORD> answers;
        size_t calls;
        bool result;
        Codes codes;
    } cases[] = {
        {"not found, then staged", {ERROR_NOT_FOUND, 0}, 2, true, {}},
        {"not found twice", {ERROR_NOT_FOUND, ERROR_NOT_FOUND}, 2, false, {L"3"}},
        {"no catalogue", {0xE0000003}, 1, false, {L"3"}},
        {"missing file", {ERROR_FILE_NOT_FOUND}, 1, false, {L"3"}},
    };
    const std::wstring dist = scratch + L"dist";
    const std::wstring packageFolder = DriverSourceFolderOf(dist, IsNative64Bit());
    ::CreateDirectoryW(dist.c_str(), nullptr);
    ::CreateDirectoryW((dist + L"\\24Pin").c_str(), nullptr);
    ::CreateDirectoryW(packageFolder.c_str(), nullptr);
    PutFile(packageFolder + L"QVMLMN.dll", "monitor");
    ASSERT_TRUE(::CopyFileW((NativePackageFolder() + L"\\24Pin.inf").c_str(),
                            (packageFolder + L"24Pin.inf").c_str(), FALSE));
    StagingOverride scope(StagingWith(nullptr, &ScriptedCopyOemInf));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_infErrors = c.answers;
        g_infCalls.clear();
        ErrorDialogWatcher watcher;
        EXPECT_EQ(c.result, StageDriverPackageFrom(dist, L"KV-8200.GPD"));
        EXPECT_EQ(c.calls, g_infCalls.size());
        EXPECT_EQ(c.codes, watcher.Codes());
    }
}

// A tree that fails leaves the support folders and the INF alone, without a word.
TEST_F(DriverStaging, FailedTreeStopsTheStaging) {
    const std::wstring dist = MakeDistribution();
    const std::wstring packageFolder = DriverSourceFolderOf(dist, IsNative64Bit());
    // A subfolder without listed files, enumerated last.
    ::CreateDirectoryW((packageFolder + L"zz-extras").c_str(), nullptr);
    PutFile(packageFolder + L"zz-extras\\readme.txt", "not listed");
    ASSERT_EQ(L"zz-extras",
              EnumerationOrder(packageFolder.substr(0, packageFolder.size() - 1)).back());
    StagingOverride scope(StagingWith(nullptr, &ScriptedCopyOemInf));
    ErrorDialogWatcher watcher;
    EXPECT_FALSE(StageDriverPackageFrom(dist, L"KV-8200.GPD"));
    EXPECT_EQ(Codes{}, watcher.Codes());
    EXPECT_TRUE(g_infCalls.empty());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(ProgramFilesProductFolder().c_str()));
    EXPECT_EQ(ReadFileBytes(packageFolder + L"QVMLMN.dll"), Staged(L"QVMLMN.dll"));
}

namespace {

BOOL WINAPI NoDriverDirectory(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed) {
    *needed = 0;
    ::SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return FALSE;
}

} // namespace

TEST_F(DriverStaging, NoDriverDirectoryNoStaging) {
    const std::wstring dist = MakeDistribution();
    SpoolerApi spooler = SystemSpooler();
    spooler.GetPrinterDriverDirectoryW = &NoDriverDirectory;
    SetSpoolerForTesting(&spooler);
    StagingOverride scope(StagingWith(nullptr, &ScriptedCopyOemInf));
    ErrorDialogWatcher watcher;
    EXPECT_FALSE(StageDriverPackageFrom(dist, L"KV-8200.GPD"));
    EXPECT_EQ(Codes{}, watcher.Codes());
    EXPECT_TRUE(g_infCalls.empty());
    EXPECT_FALSE(Staged(L"QVMLMN.dll"));
}
