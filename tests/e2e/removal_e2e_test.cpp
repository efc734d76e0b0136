// The product's removal as deployment systems and administrators drive it: Setup.exe installs,
// and the kept Setup.exe in the product folder removes, each started with arguments in a process
// of its own, also with the product folder as its current folder.
#include "tests/e2e/e2e_support.h"
#include "tests/support/spooler_objects.h"
#include "tests/support/test_paths.h"
#include "win/text.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <winspool.h>

#include <set>
#include <string>
#include <vector>

using namespace testing_support;
using namespace e2e;

namespace {

// Runs `folder`\Setup.exe with `arguments` in `workingFolder` to its end; its exit code, or
// STILL_ACTIVE when it did not end within two minutes.
DWORD RunSetup(const std::wstring& folder, const std::wstring& arguments,
               const std::wstring& workingFolder) {
    const std::wstring exe = folder + L"\\Setup.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.c_str(), &startup, &process)) {
        ADD_FAILURE() << "Setup.exe did not start: " << ::GetLastError();
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0)
        ::TerminateProcess(process.hProcess, 99);
    else
        ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}
const wchar_t kEntryKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmoraKorvaneReceiptPrinterDriver";
const wchar_t kRecordKey[] = L"SOFTWARE\\Velmora\\KorvaneReceiptPrinterDriver";

bool PendingRenamesExist() {
    DWORD size = 0;
    return ::RegGetValueW(HKEY_LOCAL_MACHINE,
                          L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                          L"PendingFileRenameOperations", RRF_RT_ANY, nullptr, nullptr,
                          &size) == ERROR_SUCCESS;
}

// The files directly in a folder and in its subfolders, by relative path.
std::set<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& relative = L"") {
    std::set<std::wstring> files;
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            const std::set<std::wstring> inner =
                FilesIn(folder + L"\\" + name, relative + name + L"\\");
            files.insert(inner.begin(), inner.end());
        } else {
            files.insert(relative + name);
        }
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return files;
}

std::wstring Joined(const std::set<std::wstring>& names) {
    std::wstring text;
    for (const std::wstring& name : names)
        text += name + L"; ";
    return text;
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = temp;
    folder.pop_back();
    return folder;
}

// Another tool's driver on files of its own in the driver directory, and a queue on it.
void AddOtherToolsQueue(const std::wstring& driver, const std::wstring& queue) {
    const std::wstring dir = DriverDirectoryOf(nullptr) + L"\\";
    for (const wchar_t* file : {L"OTHER.DLL", L"OTHERUI.DLL", L"OTHER.GPD"})
        ASSERT_TRUE(WriteFileBytes(dir + file, "another tool's file"));
    ASSERT_TRUE(AddFileDriver(driver, dir + L"OTHER.DLL", dir + L"OTHER.GPD", dir + L"OTHERUI.DLL"))
        << ::GetLastError();
    ASSERT_TRUE(AddRawQueue(queue, driver, L"LPT3:")) << ::GetLastError();
}

// The removal's temporary copies ("kvf….tmp", "kvu….tmp"), there while a finishing copy runs.
bool RemovalCopiesInTemp() {
    for (const std::wstring& name : FilesIn(TempFolder()))
        if (name.rfind(L"kvf", 0) == 0 || name.rfind(L"kvu", 0) == 0)
            return true;
    return false;
}

class Removal : public ::testing::Test {
protected:
    void SetUp() override {
        if (!WholeRouteRunsHere())
            GTEST_SKIP() << "no queue is installed by the 32-bit installer on 64-bit Wine";
        dist = DistDirectory();
        product = ProductFolder();
        ASSERT_TRUE(FileExists(dist + L"\\Setup.exe"));
        // An earlier test of the bench may leave the product installed.
        if (FileExists(product + L"\\Setup.exe"))
            RunSetup(product, L"/uninstall /quiet", KnownFolder(CSIDL_SYSTEM));
        for (int i = 0; i < 200 && (FolderExists(product) || RemovalCopiesInTemp()); ++i)
            ::Sleep(50);
        ASSERT_FALSE(KeyExists(kEntryKey));
        driverFiles = FilesIn(DriverDirectoryOf(ThisWindowsEnvironment().c_str()));
        infFiles = FilesIn(KnownFolder(CSIDL_WINDOWS) + L"\\inf");
        tempFiles = FilesIn(TempFolder());
    }

    void Install() {
        ASSERT_EQ(0u, RunSetup(dist, L"/quiet /model KV-8200 /port LPT1:", dist));
        ASSERT_TRUE(KeyExists(kEntryKey));
        ASSERT_TRUE(FileExists(product + L"\\Setup.exe"));
    }

    // The kept installer's quiet removal, started in the product folder as an administrator
    // starts it there; then the time its finishing copy takes to delete it.
    DWORD RemoveWithKeptInstaller() {
        const DWORD code = RunSetup(product, L"/uninstall /quiet", product);
        for (int i = 0; i < 200 && (FolderExists(product) || FilesIn(TempFolder()) != tempFiles);
             ++i)
            ::Sleep(50);
        return code;
    }

    // Nothing of ours is left: no queue, driver, monitor, file, staged INF, record or entry, and
    // nothing waits for the next restart.
    void ExpectNothingLeft() {
        EXPECT_EQ(std::set<std::wstring>{}, Ours(PrinterNames()));
        EXPECT_EQ(std::set<std::wstring>{}, Ours(DriverNames(ThisWindowsEnvironment().c_str())));
        EXPECT_EQ(std::set<std::wstring>{}, Ours(MonitorNames()));
        EXPECT_FALSE(KeyExists(kEntryKey));
        EXPECT_FALSE(KeyExists(kRecordKey));
        EXPECT_FALSE(FolderExists(product));
        for (int place : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU})
            EXPECT_FALSE(FolderExists(KnownFolder(place) + L"\\Vantrel打印机")) << place;
        EXPECT_FALSE(PendingRenamesExist());
        EXPECT_EQ(Utf8Of(Joined(driverFiles)),
                  Utf8Of(Joined(FilesIn(DriverDirectoryOf(ThisWindowsEnvironment().c_str())))));
        EXPECT_EQ(Utf8Of(Joined(infFiles)),
                  Utf8Of(Joined(FilesIn(KnownFolder(CSIDL_WINDOWS) + L"\\inf"))));
        EXPECT_EQ(Utf8Of(Joined(tempFiles)), Utf8Of(Joined(FilesIn(TempFolder()))));
    }

    std::wstring dist, product;
    std::set<std::wstring> driverFiles, infFiles, tempFiles;
};

} // namespace

// The entry's quiet command run by the kept installer from its own folder: everything of ours
// goes, the staged INF and the driver files included, the kept installer last and by its
// temporary copy, with no restart pending; another maker's printer stays.
TEST_F(Removal, KeptInstallerFromItsFolderLeavesNothing) {
    ASSERT_NO_FATAL_FAILURE(AddOtherToolsQueue(L"Other Receipt Driver", L"Back Office"));
    driverFiles = FilesIn(DriverDirectoryOf(ThisWindowsEnvironment().c_str()));
    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_TRUE(KeyExists(kRecordKey));
    EXPECT_NE(infFiles, FilesIn(KnownFolder(CSIDL_WINDOWS) + L"\\inf")) << "the INF was staged";

    EXPECT_EQ(0u, RemoveWithKeptInstaller());
    ExpectNothingLeft();
    EXPECT_TRUE(Contains(PrinterNames(), L"Back Office"));
    EXPECT_TRUE(Contains(DriverNames(), L"Other Receipt Driver"));
    DeleteQueueAndDriver(L"Back Office", L"Other Receipt Driver");
}

// A removal with a step refused (a file of the product folder held open by another program)
// exits 1603 and leaves the entry and the kept installer; run again, it succeeds.
TEST_F(Removal, RefusedStepLeavesTheEntryAndRunsAgain) {
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::wstring held = product + L"\\notes.txt";
    ASSERT_TRUE(WriteFileBytes(held, "held"));
    {
        HANDLE file =
            ::CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        EXPECT_EQ(1603u, RunSetup(product, L"/uninstall /quiet", product));
        ::CloseHandle(file);
    }
    EXPECT_TRUE(KeyExists(kEntryKey));
    EXPECT_TRUE(FileExists(product + L"\\Setup.exe"));
    EXPECT_TRUE(FileExists(product + L"\\PrinterInfo.ini"));

    EXPECT_EQ(0u, RemoveWithKeptInstaller());
    ExpectNothingLeft();
}

// With a record, a driver and queue of a catalogue name that another tool added stay, and a
// queue of ours that the user renamed goes. Without a record (an install from before records
// were kept) the catalogue's names decide, as they always did.
TEST_F(Removal, RecordDecidesAndAnOlderInstallGoesByNames) {
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_NO_FATAL_FAILURE(AddOtherToolsQueue(L"Korvane KV-8230", L"Korvane KV-8230"));
    // A queue of ours under a name no install gave it, as the user's renaming leaves it (Wine's
    // spooler cannot open a queue renamed with SetPrinterW, so it is added under that name).
    ASSERT_TRUE(AddRawQueue(L"Till 3", L"Korvane KV-8200", L"LPT3:")) << ::GetLastError();
    EXPECT_EQ(0u, RemoveWithKeptInstaller());
    EXPECT_EQ(std::set<std::wstring>{L"Korvane KV-8230"}, Ours(PrinterNames()));
    EXPECT_EQ(std::set<std::wstring>{L"Korvane KV-8230"},
              Ours(DriverNames(ThisWindowsEnvironment().c_str())));
    EXPECT_FALSE(Contains(PrinterNames(), L"Till 3"));
    EXPECT_FALSE(KeyExists(kEntryKey));
    DeleteQueueAndDriver(L"Korvane KV-8230", L"Korvane KV-8230");

    // An install from before the record: the record removed, the removal goes by names.
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kRecordKey, KEY_WOW64_32KEY, 0));
    EXPECT_EQ(0u, RemoveWithKeptInstaller());
    EXPECT_EQ(std::set<std::wstring>{}, Ours(PrinterNames()));
    EXPECT_EQ(std::set<std::wstring>{}, Ours(DriverNames(ThisWindowsEnvironment().c_str())));
    EXPECT_EQ(std::set<std::wstring>{}, Ours(MonitorNames()));
    EXPECT_FALSE(KeyExists(kEntryKey));
    EXPECT_FALSE(FolderExists(product));
    EXPECT_FALSE(PendingRenamesExist());
}
