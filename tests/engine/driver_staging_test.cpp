// Driver file staging under Wine: the package copied into the spooler's real driver directory,
// and the INF handed to the setup library. Refusals Wine does not produce (a read-only target as
// root, the setup library's answers) come through the staging seam.
#include "engine/driver_staging.h"
#include "engine/install_record.h"
#include "engine/package_locator.h"
#include "engine/package_paths.h"
#include "engine/spooler_api.h"
#include "engine/staging_api.h"
#include "engine/support_paths.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/engine/staging_seams.h"
#include "tests/support/failure_recorder.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using namespace engine;
using namespace installer_tests;
using testing_support::FailureRecorder;
using testing_support::FileExists;
using testing_support::MakeScratchFolder;
using testing_support::ReadFileBytes;
using testing_support::RemoveTree;
using testing_support::SpecialFolder;

namespace {

using Codes = std::vector<std::wstring>;
using Names = std::vector<std::wstring>;

// The maker's files a package holds for a model besides the platform's files.
Names MakerFilesOf(const std::wstring& dataFile) {
    Names names = {L"QTLM24RES.DLL", L"QVMLMN.dll", L"PrnSet.ini", L"PrnSetUI.dll", dataFile};
    if (dataFile.find(L"OLI") != std::wstring::npos) {
        names.push_back(L"OemPrUni.dll");
        names.push_back(L"OemPR.ini");
    }
    return names;
}

std::wstring ProgramFilesProductFolder() {
    return SpecialFolder(CSIDL_PROGRAM_FILESX86) + L"\\" + kProductFolderName;
}

std::wstring StartMenuProductFolder() {
    return SpecialFolder(CSIDL_PROGRAMS) + L"\\" + kProductFolderName;
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
    // Every maker's file of the model in `folder` (ending with a backslash), each holding its
    // name, except those given.
    static void PutMakerFiles(const std::wstring& folder, const std::wstring& dataFile,
                              const Names& except = {}) {
        for (const std::wstring& name : MakerFilesOf(dataFile))
            if (std::find(except.begin(), except.end(), name) == except.end())
                PutFile(folder + name, std::string(name.begin(), name.end()));
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
    PackageFile(L"QTLM24RES.DLL", "resources");
    PackageFile(L"PrnSet.ini", "settings");
    PackageFile(L"PrnSetUI.dll", "settings UI");
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

    FailureRecorder watcher;
    EXPECT_TRUE(CopyDriverTree(package, target, L"KV-8200.GPD"));
    EXPECT_EQ(Codes{}, watcher.Codes());

    const struct {
        const wchar_t* name;
        std::optional<std::string> content;
    } expected[] = {
        {L"QVMLMN.dll", std::string("monitor")},
        {L"QTLM24RES.DLL", std::string("resources")},
        {L"PrnSet.ini", std::string("settings")},
        {L"PrnSetUI.dll", std::string("settings UI")},
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

// A maker's file that cannot be copied reports code "2" and fails the tree, wherever it comes in
// the enumeration; the copying goes on (every refused file is logged), and then the files the
// copy created go again: the driver directory holds no file of ours without a driver, and the
// file that was there before keeps its bytes.
TEST_F(DriverStaging, AnyFailedMakersCopyFailsTheTree) {
    PutMakerFiles(package, L"KV-8200.GPD");
    const Names order = EnumerationOrder(scratch + L"package");
    ASSERT_EQ(5u, order.size());
    enum class Refusal { HeldOpen, DiskFull };
    const struct {
        const char* what;
        Refusal refusal;
        std::wstring file; // the one whose old copy in the driver directory cannot be replaced
    } cases[] = {
        {"first file held open", Refusal::HeldOpen, order.front()},
        {"last file held open", Refusal::HeldOpen, order.back()},
        {"first file on a full disk", Refusal::DiskFull, order.front()},
        {"last file on a full disk", Refusal::DiskFull, order.back()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::wstring& name : order)
            ::DeleteFileW((target + name).c_str());
        PutFile(target + c.file, "old copy");
        g_overwriteError = c.refusal == Refusal::DiskFull ? ERROR_DISK_FULL : 0;
        StagingOverride scope(StagingWith(&CopyAsWindowsDoes, nullptr));
        FailureRecorder watcher;
        {
            std::optional<HeldFile> held; // as the spooler holds a driver file in use
            if (c.refusal == Refusal::HeldOpen) {
                held.emplace(target + c.file);
                ASSERT_TRUE(held->IsHeld());
            }
            EXPECT_FALSE(CopyDriverTree(package, target, L"KV-8200.GPD"));
        }
        EXPECT_EQ(Codes{L"2"}, watcher.Codes()) << "one code, for the failed file";
        for (const std::wstring& name : order) {
            if (name == c.file)
                EXPECT_EQ(std::string("old copy"), Staged(name)) << name;
            else
                EXPECT_FALSE(Staged(name).has_value()) << name << " left without a driver";
        }
    }
}

TEST_F(DriverStaging, ReadOnlyTargetIsReplaced) {
    PutMakerFiles(package, L"KV-8200.GPD", {L"QVMLMN.dll"});
    PackageFile(L"QVMLMN.dll", "new monitor");
    PutFile(target + L"QVMLMN.dll", "old monitor");
    ::SetFileAttributesW((target + L"QVMLMN.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    StagingOverride scope(StagingWith(&CopyAsWindowsDoes, nullptr));
    FailureRecorder watcher;
    EXPECT_TRUE(CopyDriverTree(package, target, L"KV-8200.GPD"));
    EXPECT_EQ(Codes{}, watcher.Codes());
    EXPECT_EQ(std::string("new monitor"), Staged(L"QVMLMN.dll"));
    EXPECT_EQ(2, g_overwrites); // refused once, then accepted without the attribute
}

// The OLI plug-in is staged like the maker's files for OLI models only: copied when missing and
// replaced when different.
TEST_F(DriverStaging, OliModelsTakeTheOliPlugin) {
    PutMakerFiles(package, L"KV-8200.GPD");
    PutMakerFiles(package, L"KV-8250 OLI.GPD", {L"OemPrUni.dll", L"OemPR.ini"});
    PackageFile(L"OemPrUni.dll", "oli plug-in");
    PackageFile(L"OemPR.ini", "oli settings");
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
        FailureRecorder watcher;
        EXPECT_TRUE(CopyDriverTree(package, target, c.dataFile));
        EXPECT_EQ(Codes{}, watcher.Codes());
        EXPECT_EQ(c.plugin, Staged(L"OemPrUni.dll"));
        EXPECT_EQ(std::optional<std::string>(c.settings), Staged(L"OemPR.ini"));
    }
}

// The order in which the file system lists the package does not matter: a subfolder without
// listed files, before or after the maker's files, leaves the tree's result alone.
TEST_F(DriverStaging, SubfolderWithoutListedFilesAnywhere) {
    PutMakerFiles(package, L"KV-8200.GPD");
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
        FailureRecorder watcher;
        EXPECT_TRUE(CopyDriverTree(package, target, L"KV-8200.GPD"));
        EXPECT_EQ(Codes{}, watcher.Codes());
        EXPECT_EQ(std::string("QVMLMN.dll"), Staged(L"QVMLMN.dll"));
        RemoveTree(sub);
    }
}

// A package folder that is missing, or lacks any of the model's maker's files (a name that only
// holds one does not stand in for it), fails the tree with code "2"; what the package holds is
// copied and then removed again, so no file of an incomplete package stays.
TEST_F(DriverStaging, PackageWithoutTheMakersFilesShowsCode2) {
    using Extra = std::pair<const wchar_t*, bool>; // another file of the package; staged?
    const Names allOf8200 = MakerFilesOf(L"KV-8200.GPD");
    const struct {
        const char* what;
        const wchar_t* dataFile;
        bool folderExists;
        Names leftOut; // maker's files not in the package
        std::vector<Extra> extra;
    } cases[] = {
        {"package folder missing", L"KV-8200.GPD", false, allOf8200, {}},
        {"empty package", L"KV-8200.GPD", true, allOf8200, {}},
        {"platform and unlisted files only",
         L"KV-8200.GPD",
         true,
         allOf8200,
         {{L"unires.dll", true}, {L"readme.txt", false}}},
        {"resource library missing", L"KV-8200.GPD", true, {L"QTLM24RES.DLL"}, {}},
        {"language monitor missing", L"KV-8200.GPD", true, {L"QVMLMN.dll"}, {}},
        {"settings missing", L"KV-8200.GPD", true, {L"PrnSet.ini"}, {}},
        {"settings plug-in missing", L"KV-8200.GPD", true, {L"PrnSetUI.dll"}, {}},
        {"only another model's data file",
         L"KV-8200.GPD",
         true,
         {L"KV-8200.GPD"},
         {{L"KV-8230.GPD", false}}},
        {"names that only hold the listed ones",
         L"KV-8200.GPD",
         true,
         {L"QTLM24RES.DLL", L"PrnSet.ini"},
         {{L"res.dll", true}, {L"set.ini", true}}},
        {"OLI model without its plug-in",
         L"KV-8250 OLI.GPD",
         true,
         {L"OemPrUni.dll", L"OemPR.ini"},
         {}},
        {"OLI model without the plug-in's settings", L"KV-8250 OLI.GPD", true, {L"OemPR.ini"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::wstring& name : EnumerationOrder(driverDirectory))
            ::DeleteFileW((target + name).c_str()); // files only: a folder is not deleted
        RemoveTree(package);
        if (c.folderExists) {
            ::CreateDirectoryW(package.c_str(), nullptr);
            PutMakerFiles(package, c.dataFile, c.leftOut);
            for (const Extra& e : c.extra)
                PackageFile(e.first, "extra");
        }
        FailureRecorder watcher;
        EXPECT_FALSE(CopyDriverTree(package, target, c.dataFile));
        EXPECT_EQ(Codes{L"2"}, watcher.Codes());
        // The files that were copied go again: nothing of an incomplete package stays behind.
        for (const std::wstring& name : MakerFilesOf(c.dataFile))
            EXPECT_FALSE(Staged(name).has_value()) << name;
        for (const Extra& e : c.extra)
            EXPECT_FALSE(Staged(e.first).has_value()) << e.first;
    }
}

// A whole distribution: driver files, support folders and the INF.
TEST_F(DriverStaging, StagesAPackageForACatalogueModel) {
    const std::wstring dist = MakeDistribution();
    const std::wstring packageFolder = DriverSourceFolderOf(dist, IsNative64Bit());
    StagingOverride scope(StagingWith(nullptr, &ScriptedCopyOemInf));
    FailureRecorder watcher;

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
    // The staged copy's name is asked for, and recorded for the removal.
    EXPECT_EQ(static_cast<DWORD>(MAX_PATH), g_infCalls[0].nameBuffer);
    EXPECT_TRUE(FileExists(SystemInfFolder() + L"\\24Pin.inf"));
    engine::InstallRecord record;
    ASSERT_TRUE(engine::ReadInstallRecord(record));
    EXPECT_TRUE(engine::ListsName(record.stagedInfs, L"24Pin.inf"));

    EXPECT_TRUE(FileExists(ProgramFilesProductFolder() + L"\\产品手册\\使用手册.txt"));
}

// Gives every file of the tree the attributes: read-only, as a CD, an ISO or a read-only share
// shows them, or normal again.
void SetFileAttributesInTree(const std::wstring& folder, DWORD attributes) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            SetFileAttributesInTree(path, attributes);
        else
            ASSERT_TRUE(::SetFileAttributesW(path.c_str(), attributes));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

bool IsReadOnly(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// A distribution on read-only media: nothing the staging copies keeps the attribute, whether it
// is copied anew (a maker's file, a platform file that was missing, a manual), replaced, or
// already in place with the same bytes and read-only from an earlier install.
TEST_F(DriverStaging, ReadOnlyMediaLeaveNoReadOnlyFile) {
    const std::wstring dist = MakeDistribution();
    const std::wstring packageFolder = DriverSourceFolderOf(dist, IsNative64Bit());
    ::DeleteFileW((target + L"QVMLMN.dll").c_str());
    ::DeleteFileW((target + L"STDNAMES.GPD").c_str());
    PutFile(target + L"PrnSet.ini", "an older settings file");
    ::SetFileAttributesW((target + L"PrnSet.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    ::DeleteFileW((target + L"QTLM24RES.DLL").c_str());
    ASSERT_TRUE(::CopyFileW((packageFolder + L"QTLM24RES.DLL").c_str(),
                            (target + L"QTLM24RES.DLL").c_str(), FALSE));
    ::SetFileAttributesW((target + L"QTLM24RES.DLL").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesInTree(dist, FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(IsReadOnly(packageFolder + L"QVMLMN.dll"));
    StagingOverride scope(StagingWith(nullptr, &ScriptedCopyOemInf));
    FailureRecorder watcher;

    ASSERT_TRUE(StageDriverPackageFrom(dist, L"KV-8200.GPD"));
    EXPECT_EQ(Codes{}, watcher.Codes());
    for (const wchar_t* name : {L"QVMLMN.dll", L"QTLM24RES.DLL", L"PrnSet.ini", L"PrnSetUI.dll",
                                L"KV-8200.GPD", L"STDNAMES.GPD"}) {
        EXPECT_EQ(ReadFileBytes(packageFolder + name), Staged(name)) << name;
        EXPECT_FALSE(IsReadOnly(target + name)) << name;
    }
    const std::wstring manual = ProgramFilesProductFolder() + L"\\产品手册\\使用手册.txt";
    EXPECT_TRUE(FileExists(manual));
    EXPECT_FALSE(IsReadOnly(manual));
    SetFileAttributesInTree(dist, FILE_ATTRIBUTE_NORMAL);
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
    PutMakerFiles(packageFolder, L"KV-8200.GPD");
    ASSERT_TRUE(::CopyFileW((NativePackageFolder() + L"\\24Pin.inf").c_str(),
                            (packageFolder + L"24Pin.inf").c_str(), FALSE));
    StagingOverride scope(StagingWith(nullptr, &ScriptedCopyOemInf));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_infErrors = c.answers;
        g_infCalls.clear();
        FailureRecorder watcher;
        EXPECT_EQ(c.result, StageDriverPackageFrom(dist, L"KV-8200.GPD"));
        EXPECT_EQ(c.calls, g_infCalls.size());
        EXPECT_EQ(c.codes, watcher.Codes());
    }
}

// A tree that fails, with its code reported, leaves the support folders and the INF alone, and
// takes back the files it copied: the driver directory is as it was.
TEST_F(DriverStaging, FailedTreeStopsTheStaging) {
    const std::wstring dist = MakeDistribution();
    const std::wstring packageFolder = DriverSourceFolderOf(dist, IsNative64Bit());
    const std::wstring dataFile = packageFolder + L"KV-8200.GPD";
    const struct {
        const char* what;
        bool dataFileMissing;
        bool monitorHeld; // its old copy in the driver directory, held open
    } cases[] = {{"the model's data file missing", true, false},
                 {"the language monitor cannot be replaced", false, true}};
    StagingOverride scope(StagingWith(nullptr, &ScriptedCopyOemInf));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::wstring& name : EnumerationOrder(driverDirectory))
            ::DeleteFileW((target + name).c_str()); // files only
        if (c.dataFileMissing) {
            ASSERT_TRUE(::MoveFileW(dataFile.c_str(), (dataFile + L".away").c_str()));
        }
        if (c.monitorHeld)
            PutFile(target + L"QVMLMN.dll", "old monitor");
        g_infCalls.clear();
        FailureRecorder watcher;
        {
            std::optional<HeldFile> held;
            if (c.monitorHeld) {
                held.emplace(target + L"QVMLMN.dll");
                ASSERT_TRUE(held->IsHeld());
            }
            EXPECT_FALSE(StageDriverPackageFrom(dist, L"KV-8200.GPD"));
        }
        if (c.dataFileMissing) {
            ASSERT_TRUE(::MoveFileW((dataFile + L".away").c_str(), dataFile.c_str()));
        }
        EXPECT_EQ(Codes{L"2"}, watcher.Codes());
        EXPECT_TRUE(g_infCalls.empty());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
                  ::GetFileAttributesW(ProgramFilesProductFolder().c_str()));
        // The files this staging copied went again; the monitor that was there stays as it was.
        EXPECT_FALSE(Staged(L"QTLM24RES.DLL").has_value());
        if (c.monitorHeld)
            EXPECT_EQ(std::string("old monitor"), Staged(L"QVMLMN.dll"));
        else
            EXPECT_FALSE(Staged(L"QVMLMN.dll").has_value());
    }
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
    FailureRecorder watcher;
    EXPECT_FALSE(StageDriverPackageFrom(dist, L"KV-8200.GPD"));
    EXPECT_EQ(Codes{L"2"}, watcher.Codes()) << "nowhere to copy the package to";
    EXPECT_TRUE(g_infCalls.empty());
    EXPECT_FALSE(Staged(L"QVMLMN.dll"));
}
