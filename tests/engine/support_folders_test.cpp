// Support folders under Wine: copies into the real Program Files (x86) folder and shortcuts in
// the real Programs folders of the Start menu, read back through the shell-link object.
#include "engine/support_folders.h"
#include "engine/support_paths.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/support/failure_recorder.h"
#include "tests/support/run_kind.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace engine;
using namespace installer_tests;
using testing_support::FailureRecorder;
using testing_support::FileExists;
using testing_support::MakeScratchFolder;
using testing_support::ReadFileBytes;
using testing_support::RemoveTree;
using testing_support::RunKind;
using testing_support::RunKindName;
using testing_support::RunKindScope;
using testing_support::SpecialFolder;

namespace {

using Codes = std::vector<std::wstring>;

struct LinkContents {
    bool loaded = false;
    std::wstring path;
    std::wstring description;
    DWORD showCommand = 0; // as stored in the file: Wine's GetShowCmd always answers 1
};

LinkContents ReadShellLink(const std::wstring& file) {
    LinkContents link;
    const HRESULT init = ::CoInitialize(nullptr);
    IShellLinkW* shellLink = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkW, reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* persist = nullptr;
        if (SUCCEEDED(
                shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
            if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
                link.loaded = true;
                wchar_t text[1024] = L"";
                if (SUCCEEDED(shellLink->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
                    link.path = text;
                text[0] = L'\0';
                if (SUCCEEDED(shellLink->GetDescription(text, 1024)))
                    link.description = text;
            }
            persist->Release();
        }
        shellLink->Release();
    }
    if (SUCCEEDED(init))
        ::CoUninitialize();
    // The header's show command lies at offset 0x3C.
    const std::string bytes = ReadFileBytes(file);
    if (bytes.size() >= 0x40)
        std::memcpy(&link.showCommand, bytes.data() + 0x3C, sizeof(DWORD));
    return link;
}

// Files below a folder, as paths relative to it.
std::vector<std::wstring> FilesBelow(const std::wstring& folder, const std::wstring& prefix = L"") {
    std::vector<std::wstring> files;
    for (const std::wstring& name : EnumerationOrder(folder)) {
        const std::wstring path = folder + L"\\" + name;
        if (::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            for (const std::wstring& inner : FilesBelow(path, prefix + name + L"\\"))
                files.push_back(inner);
        } else {
            files.push_back(prefix + name);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

class SupportFolders : public ::testing::Test {
protected:
    void SetUp() override {
        programFiles = SpecialFolder(CSIDL_PROGRAM_FILESX86) + L"\\" + kProductFolderName;
        startMenu = SpecialFolder(CSIDL_PROGRAMS) + L"\\" + kProductFolderName;
        RemoveTree(programFiles);
        RemoveMenuFolders();
        scratch = MakeScratchFolder(L"support-folders");
        dist = scratch + L"dist";
        ::CreateDirectoryW(dist.c_str(), nullptr);
    }
    void TearDown() override {
        RemoveTree(programFiles);
        RemoveMenuFolders();
        RemoveTree(scratch);
    }
    // The product's folder in every place of the Start menu.
    static void RemoveMenuFolders() {
        for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU})
            RemoveTree(SpecialFolder(csidl) + L"\\" + kProductFolderName);
    }
    void DistFile(const std::wstring& relative, const std::string& bytes) {
        // Creates the folders on the way.
        for (size_t at = relative.find(L'\\'); at != std::wstring::npos;
             at = relative.find(L'\\', at + 1))
            ::CreateDirectoryW((dist + L"\\" + relative.substr(0, at)).c_str(), nullptr);
        PutFile(dist + L"\\" + relative, bytes);
    }
    void MakeSupportFolders() {
        DistFile(L"卸载驱动及更新程序\\uninstall.exe", "uninstall");
        DistFile(L"产品手册\\manual.pdf", "manual");
        DistFile(L"产品手册\\README", "readme");
        DistFile(L"产品手册\\a.b.exe", "a.b");
        DistFile(L"工具集\\tool.exe", "tool");
        DistFile(L"工具集\\字库下载\\fontdl.exe", "font download");
        DistFile(L"工具集\\driver.cat", "catalogue");
        DistFile(L"工具集\\字库下载\\FONTS.CAT", "catalogue in capitals");
        DistFile(L"工具集\\signed.cat\\inner.txt", "in a folder named like a catalogue");
        DistFile(L"产品手册\\notes.cat.txt", "\".cat\" inside the name");
    }

    // Installs the support folders of MakeSupportFolders from `dist` and checks every copy and
    // shortcut.
    void CheckCopiesWithShortcuts();

    std::wstring programFiles, startMenu, scratch, dist;
};

// Wherever the distribution folder lies: a folder whose name holds ".cat" is no catalogue.
TEST_F(SupportFolders, CopiesWithShortcutsMirroringTheFolders) {
    for (const wchar_t* distribution : {L"dist", L"drivers.cat\\dist"}) {
        SCOPED_TRACE(distribution);
        RemoveTree(programFiles);
        RemoveTree(startMenu);
        dist = scratch + distribution;
        ::CreateDirectoryW((scratch + L"drivers.cat").c_str(), nullptr);
        ::CreateDirectoryW(dist.c_str(), nullptr);
        CheckCopiesWithShortcuts();
    }
}

void SupportFolders::CheckCopiesWithShortcuts() {
    MakeSupportFolders();
    FailureRecorder watcher;
    EXPECT_TRUE(InstallSupportFoldersFrom(dist));
    EXPECT_EQ(Codes{}, watcher.Codes());

    const struct {
        const wchar_t* source; // in the distribution
        const wchar_t* copy;   // in Program Files (x86)\Vantrel打印机
        const wchar_t* link;   // in the Start menu's Vantrel打印机
    } expected[] = {
        {L"卸载驱动及更新程序\\uninstall.exe", L"uninstall.exe", L"uninstall.lnk"},
        {L"产品手册\\README", L"产品手册\\README", L"产品手册\\README.lnk"},
        {L"产品手册\\a.b.exe", L"产品手册\\a.b.exe", L"产品手册\\a.b.lnk"},
        {L"产品手册\\manual.pdf", L"产品手册\\manual.pdf", L"产品手册\\manual.lnk"},
        {L"产品手册\\notes.cat.txt", L"产品手册\\notes.cat.txt", L"产品手册\\notes.cat.lnk"},
        {L"工具集\\tool.exe", L"工具集\\tool.exe", L"工具集\\tool.lnk"},
        {L"工具集\\字库下载\\fontdl.exe", L"工具集\\fontdl.exe", L"工具集\\fontdl.lnk"},
        {L"工具集\\signed.cat\\inner.txt", L"工具集\\inner.txt", L"工具集\\inner.lnk"},
    };
    std::vector<std::wstring> copies;
    std::vector<std::wstring> links;
    for (const auto& e : expected) {
        SCOPED_TRACE(e.copy);
        const std::wstring copy = programFiles + L"\\" + e.copy;
        EXPECT_EQ(ReadFileBytes(dist + L"\\" + e.source), ReadFileBytes(copy));
        const LinkContents link = ReadShellLink(startMenu + L"\\" + e.link);
        ASSERT_TRUE(link.loaded);
        EXPECT_EQ(copy, link.path);
        EXPECT_EQ(L"Shortcut created by custom code", link.description);
        EXPECT_EQ(static_cast<DWORD>(SW_SHOW), link.showCommand);
        copies.push_back(e.copy);
        links.push_back(e.link);
    }
    // Nothing else: no catalogue file in any letter case, no subfolder copied.
    std::sort(copies.begin(), copies.end());
    std::sort(links.begin(), links.end());
    EXPECT_EQ(copies, FilesBelow(programFiles));
    EXPECT_EQ(links, FilesBelow(startMenu));
}

// An identical copy is kept and still gets its shortcut; an old link of that name is replaced.
TEST_F(SupportFolders, IdenticalCopyKeptAndShortcutRemade) {
    DistFile(L"产品手册\\manual.pdf", "manual");
    const std::wstring copy = programFiles + L"\\产品手册\\manual.pdf";
    const std::wstring link = startMenu + L"\\产品手册\\manual.lnk";
    ::CreateDirectoryW(programFiles.c_str(), nullptr);
    ::CreateDirectoryW((programFiles + L"\\产品手册").c_str(), nullptr);
    ::CreateDirectoryW(startMenu.c_str(), nullptr);
    ::CreateDirectoryW((startMenu + L"\\产品手册").c_str(), nullptr);
    PutFile(copy, "manual");
    const ULONGLONG kOldTime = 125911584000000000ULL;
    SetWriteTime(copy, kOldTime);
    PutFile(link, "not a shell link");

    FailureRecorder watcher;
    EXPECT_TRUE(InstallSupportFoldersFrom(dist));
    EXPECT_EQ(Codes{}, watcher.Codes());
    EXPECT_EQ(kOldTime, WriteTime(copy));
    const LinkContents back = ReadShellLink(link);
    EXPECT_TRUE(back.loaded);
    EXPECT_EQ(copy, back.path);
}

// A file that cannot be copied shows code "2" and gets no shortcut; the others go on, and the
// support folders never fail the installation.
TEST_F(SupportFolders, FileThatCannotBeCopied) {
    MakeSupportFolders();
    ::CreateDirectoryW(programFiles.c_str(), nullptr);
    ::CreateDirectoryW((programFiles + L"\\产品手册").c_str(), nullptr);
    const std::wstring busy = programFiles + L"\\产品手册\\manual.pdf";
    PutFile(busy, "older manual");
    HANDLE held = ::CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);

    FailureRecorder watcher;
    EXPECT_TRUE(InstallSupportFoldersFrom(dist));
    ::CloseHandle(held);
    EXPECT_EQ(Codes{L"2"}, watcher.Codes());
    EXPECT_EQ("older manual", ReadFileBytes(busy));
    EXPECT_FALSE(FileExists(startMenu + L"\\产品手册\\manual.lnk"));
    EXPECT_TRUE(FileExists(startMenu + L"\\产品手册\\a.b.lnk"));
    EXPECT_TRUE(FileExists(startMenu + L"\\工具集\\tool.lnk"));
}

TEST_F(SupportFolders, MissingSourceFoldersCopyNothing) {
    FailureRecorder watcher;
    EXPECT_TRUE(InstallSupportFoldersFrom(dist));
    EXPECT_EQ(Codes{}, watcher.Codes());
    EXPECT_EQ(std::vector<std::wstring>{}, FilesBelow(programFiles));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(startMenu.c_str()));
}

// The start-up font copy: files copied flat, no Start-menu folder. The result is that of the
// last file or subfolder pass.
TEST_F(SupportFolders, FolderCopyWithoutShortcuts) {
    const std::wstring target = scratch + L"fonts\\";
    ::CreateDirectoryW(target.c_str(), nullptr);
    DistFile(L"字体\\DejaVuSansMono.ttf", "font");
    DistFile(L"字体\\more\\extra.ttf", "extra font");
    EXPECT_TRUE(CopyFolderTree(dist + L"\\字体\\", target, false));
    EXPECT_EQ((std::vector<std::wstring>{L"DejaVuSansMono.ttf", L"extra.ttf"}),
              FilesBelow(scratch + L"fonts"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(startMenu.c_str()));

    const struct {
        const wchar_t* what;
        const wchar_t* lastEntry; // created in the source folder, enumerated last
        bool result;
    } cases[] = {
        {L"last entry a catalogue file: the file before it decides", L"zz.cat", true},
        {L"last entry an empty subfolder", L"zz-empty\\", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring source = scratch + L"case\\";
        RemoveTree(source);
        ::CreateDirectoryW(source.c_str(), nullptr);
        PutFile(source + L"a.ttf", "font");
        const std::wstring last = source + c.lastEntry;
        if (last.back() == L'\\')
            ::CreateDirectoryW(last.c_str(), nullptr);
        else
            PutFile(last, "x");
        EXPECT_EQ(c.result, CopyFolderTree(source, target, false));
    }
    EXPECT_FALSE(CopyFolderTree(scratch + L"missing\\", target, false));
}

// The shortcuts of a user's run go to the user's Programs folder, those of a machine-wide run
// (as SYSTEM, or for all users) to the common one; none to the Start menu's root or elsewhere.
TEST_F(SupportFolders, ShortcutsInTheProgramsFolderOfTheRun) {
    DistFile(L"工具集\\tool.exe", "tool");
    DistFile(L"卸载驱动及更新程序\\uninstall.exe", "uninstall");
    const int places[] = {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU};
    const struct {
        RunKind kind;
        int csidl;
    } cases[] = {
        {RunKind::User, CSIDL_PROGRAMS},
        {RunKind::System, CSIDL_COMMON_PROGRAMS},
        {RunKind::AllUsers, CSIDL_COMMON_PROGRAMS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(RunKindName(c.kind));
        RemoveMenuFolders();
        RunKindScope run(c.kind);
        const std::wstring programs = SpecialFolder(c.csidl);
        ASSERT_FALSE(programs.empty());
        EXPECT_EQ(programs, GetProgramsFolder());
        EXPECT_EQ(programs + L"\\" + kProductFolderName + L"\\", GetProductStartMenuFolder());

        FailureRecorder watcher;
        EXPECT_TRUE(InstallSupportFoldersFrom(dist));
        EXPECT_EQ(Codes{}, watcher.Codes());
        for (int place : places) {
            const std::wstring menu = SpecialFolder(place) + L"\\" + kProductFolderName;
            const Codes expected =
                place == c.csidl ? Codes{L"uninstall.lnk", L"工具集\\tool.lnk"} : Codes{};
            EXPECT_EQ(expected, FilesBelow(menu)) << menu;
        }
        const std::wstring link = programs + L"\\" + kProductFolderName + L"\\工具集\\tool.lnk";
        EXPECT_EQ(programFiles + L"\\工具集\\tool.exe", ReadShellLink(link).path);

        // One shortcut on its own goes to the same place.
        RemoveMenuFolders();
        EXPECT_TRUE(CreateStartMenuShortcut(programFiles + L"\\产品手册\\manual.pdf"));
        EXPECT_TRUE(FileExists(programs + L"\\" + kProductFolderName + L"\\产品手册\\manual.lnk"));
    }
}

// The Start menu's root, the Programs folder of the run, and every place the removal looks in,
// as the shell tells them.
TEST_F(SupportFolders, StartMenuPlaces) {
    std::vector<std::wstring> folders;
    for (int csidl : {CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        std::wstring folder = SpecialFolder(csidl);
        while (!folder.empty() && folder.back() == L'\\')
            folder.pop_back();
        ASSERT_FALSE(folder.empty()) << csidl;
        folders.push_back(folder);
    }
    EXPECT_EQ(folders[0], GetStartMenuFolder());
    EXPECT_EQ(folders[1], GetProgramsFolder());
    const std::wstring product = std::wstring(L"\\") + kProductFolderName + L"\\";
    // A place of each run kind: the same three places for all of them.
    for (RunKind kind : {RunKind::User, RunKind::System, RunKind::AllUsers}) {
        RunKindScope run(kind);
        EXPECT_EQ((Codes{folders[1] + product, folders[2] + product, folders[0] + product}),
                  GetProductStartMenuFolders())
            << RunKindName(kind);
    }
}

// A thread that already lives in the multithreaded apartment can make shortcuts, and stays in
// its apartment afterwards.
TEST_F(SupportFolders, ShortcutFromAThreadOfTheMultithreadedApartment) {
    DistFile(L"工具集\\tool.exe", "tool");
    bool made = false;
    HRESULT again = E_FAIL;
    std::thread worker([&] {
        ASSERT_EQ(S_OK, ::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        made = CreateStartMenuShortcut(dist + L"\\工具集\\tool.exe");
        again = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ::CoUninitialize();
        ::CoUninitialize();
    });
    worker.join();
    EXPECT_TRUE(made);
    EXPECT_EQ(S_FALSE, again) << "the thread's apartment was torn down";
    EXPECT_EQ(dist + L"\\工具集\\tool.exe", ReadShellLink(startMenu + L"\\工具集\\tool.lnk").path);
}
