// Setup.exe started with arguments, as a deployment system starts it: no window may appear, the
// exit code tells the outcome apart, and the report says the rest.
#include "tests/e2e/e2e_support.h"
#include "tests/support/folder_links.h"
#include "tests/support/held_file.h"
#include "tests/support/spooler_objects.h"
#include "tests/support/test_paths.h"
#include "win/text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <windows.h>
#include <shlobj.h>
#include <winspool.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using namespace testing_support;
using namespace e2e;
using testing_support::Utf8Of;

namespace {

constexpr DWORD kRunTimeoutMs = 120000;
constexpr wchar_t kWizardTitle[] = L"Velmora科技驱动安装程序";

struct Outcome {
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
    std::wstring window; // the title of a visible window the run showed; empty when none
};

struct WindowOf {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowOf*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == search->process && ::IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring TitleOf(HWND window) {
    wchar_t text[256] = L"";
    ::GetWindowTextW(window, text, 256);
    return text;
}

// Runs `folder`\Setup.exe with `arguments` to its end, watching every 10 ms for a visible window
// of it. With `output`, the program's standard output goes to that file. It runs in `folder`, or
// in `workingFolder` when one is given.
Outcome RunSetup(const std::wstring& folder, const std::wstring& arguments,
                 const std::wstring& output = L"", const std::wstring& workingFolder = L"") {
    const std::wstring exe = folder + L"\\Setup.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    HANDLE outputFile = INVALID_HANDLE_VALUE;
    if (!output.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        outputFile = ::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = outputFile;
        si.hStdError = outputFile;
        si.hStdInput = nullptr;
    }
    PROCESS_INFORMATION process{};
    Outcome outcome;
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, !output.empty(), 0,
                          nullptr, (workingFolder.empty() ? folder : workingFolder).c_str(), &si,
                          &process)) {
        ADD_FAILURE() << "Setup.exe did not start";
        return outcome;
    }
    const DWORD start = ::GetTickCount();
    while (::WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT) {
        WindowOf search{process.dwProcessId, nullptr};
        ::EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr && outcome.window.empty())
            outcome.window = L"[" + TitleOf(search.found) + L"]";
        if (::GetTickCount() - start > kRunTimeoutMs)
            break;
    }
    outcome.ended = ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    if (!outcome.ended)
        ::TerminateProcess(process.hProcess, 99);
    ::GetExitCodeProcess(process.hProcess, &outcome.exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    if (outputFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(outputFile);
    return outcome;
}

nlohmann::json ReadReport(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    EXPECT_FALSE(bytes.empty()) << "no report at " << Utf8Of(path);
    return nlohmann::json::parse(bytes, nullptr, false);
}

// Copies a folder tree; `skip` names a relative path (file or folder) left out.
void CopyTree(const std::wstring& from, const std::wstring& to, const std::wstring& skip = L"",
              const std::wstring& relative = L"") {
    ::CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((from + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L".." || relative + name == skip)
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + L"\\" + name, to + L"\\" + name, skip, relative + name + L"\\");
        else
            ::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
}

// The driver directory of this Windows' environment, where the installer stages its files.
std::wstring DriverDirectory() {
    return DriverDirectoryOf(ThisWindowsEnvironment().c_str());
}

// Every file under a folder, by relative path.
void ListFiles(const std::wstring& folder, const std::wstring& relative,
               std::set<std::wstring>& files) {
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + L"\\" + name, relative + name + L"\\", files);
        else
            files.insert(relative + name);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
}

// The product's Start-menu folder of a user's run: in the user's Programs folder.
std::wstring StartMenuFolder() {
    return KnownFolder(CSIDL_PROGRAMS) + L"\\Vantrel打印机";
}

constexpr wchar_t kEntryKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmoraKorvaneReceiptPrinterDriver";

// A value of the product's Apps & Features entry; empty when there is none.
std::wstring EntryText(const wchar_t* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEntryKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS)
        return L"";
    wchar_t text[1024] = L"";
    DWORD size = sizeof(text) - sizeof(wchar_t), type = 0;
    const LSTATUS read =
        ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    ::RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_SZ ? std::wstring(text) : std::wstring();
}
bool EntryExists() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEntryKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

// What a machine holds of the product, as a deployment system's detection and an administrator
// see it: queues, drivers, the monitor, the Apps & Features entry.
struct ProductState {
    std::set<std::wstring> printers, drivers, monitors;
    bool entry = false;
    static ProductState Now() {
        return {Ours(PrinterNames()), Ours(DriverNames(ThisWindowsEnvironment().c_str())),
                Ours(MonitorNames()), EntryExists()};
    }
    bool operator==(const ProductState& other) const {
        return printers == other.printers && drivers == other.drivers &&
               monitors == other.monitors && entry == other.entry;
    }
};

// Another maker's driver and printer, which a removal must leave alone. They are registered in
// the test program's own environment, the one its AddPrinterW looks in under Wine.
const std::wstring kForeignDriver = L"Generic Text Receipt";
const std::wstring kForeignPrinter = L"Front Desk";

void AddForeignPrinter() {
    const std::wstring dir = DriverDirectoryOf(nullptr) + L"\\";
    for (const wchar_t* file : {L"FOREIGN.DLL", L"FOREIGNUI.DLL", L"FOREIGN.GPD"})
        ASSERT_TRUE(WriteFileBytes(dir + file, "other maker's file"));
    ASSERT_TRUE(AddFileDriver(kForeignDriver, dir + L"FOREIGN.DLL", dir + L"FOREIGN.GPD",
                              dir + L"FOREIGNUI.DLL"))
        << ::GetLastError();
    ASSERT_TRUE(AddRawQueue(kForeignPrinter, kForeignDriver, L"LPT2:")) << ::GetLastError();
}

void RemoveForeignPrinter() {
    DeleteQueueAndDriver(kForeignPrinter, kForeignDriver);
}

// A local port that prints to a file, added through the Local Port monitor as an administrator
// adds one.
bool AddFilePort(const std::wstring& path) {
    std::wstring monitor = L",XcvMonitor Local Port";
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    HANDLE xcv = nullptr;
    if (!::OpenPrinterW(&monitor[0], &xcv, &defaults))
        return false;
    DWORD needed = 0, status = 0;
    const BOOL sent = ::XcvDataW(
        xcv, L"AddPort", reinterpret_cast<BYTE*>(const_cast<wchar_t*>(path.c_str())),
        static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)), nullptr, 0, &needed, &status);
    ::ClosePrinter(xcv);
    return sent && (status == ERROR_SUCCESS || status == ERROR_ALREADY_EXISTS);
}

// What the first window a run of Setup.exe shows said, and how the run ended once the window was
// answered with `command` (IDOK, IDNO, ...).
struct Answered {
    bool shown = false;
    std::wstring title;
    std::wstring text; // a message box's text
    DWORD exitCode = STILL_ACTIVE;
};
Answered AnswerFirstWindow(const std::wstring& folder, const std::wstring& arguments,
                           WPARAM command) {
    Answered answered;
    const std::wstring exe = folder + L"\\Setup.exe";
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &si, &process))
        return answered;
    HWND window = nullptr;
    for (int i = 0; i < 600 && window == nullptr; ++i) {
        WindowOf search{process.dwProcessId, nullptr};
        ::EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
        window = search.found;
        if (window == nullptr)
            ::Sleep(50);
    }
    if (window != nullptr) {
        answered.shown = true;
        answered.title = TitleOf(window);
        answered.text = TitleOf(::GetDlgItem(window, 0xFFFF));
        ::PostMessageW(window, WM_COMMAND, command, 0);
        ::WaitForSingleObject(process.hProcess, 30000);
    } else {
        ::TerminateProcess(process.hProcess, 99);
    }
    ::GetExitCodeProcess(process.hProcess, &answered.exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return answered;
}

class Unattended : public ::testing::Test {
protected:
    void SetUp() override {
        dist = DistDirectory();
        ASSERT_TRUE(FileExists(dist + L"\\Setup.exe"));
        scratch = MakeScratchFolder(L"unattended");
    }
    std::wstring dist;
    std::wstring scratch; // ends with a backslash
};

} // namespace

// Where the whole route runs, the first run adds a queue and the second takes it over, unchanged;
// where it cannot (the 32-bit installer on 64-bit Wine), each run fails at the language monitor
// with code "5" after staging, reports that, and leaves no queue, driver, monitor or entry of
// ours. The port is this test's own, so no other test's queue is taken over.
TEST_F(Unattended, QuietInstallShowsNoWindowAndReportsEveryField) {
    const bool whole = WholeRouteRunsHere();
    const ProductState before = ProductState::Now();
    const std::wstring printer = NextPrinterName(L"Korvane KV-8200");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "first run" : "second run: the same queue");
        const ProductState start = ProductState::Now();
        const std::wstring report = scratch + L"report" + std::to_wstring(run) + L".json";
        const std::wstring log = scratch + L"log" + std::to_wstring(run) + L".txt";
        const Outcome outcome = RunSetup(dist, L"/quiet /model KV-8200 /port LPT3: /report \"" +
                                                   report + L"\" -LOG:" + log);
        ASSERT_TRUE(outcome.ended);
        EXPECT_EQ(L"", outcome.window) << "a silent run shows nothing";
        EXPECT_EQ(whole ? 0u : 1603u, outcome.exitCode);
        EXPECT_EQ(whole, PrinterExists(printer));

        const nlohmann::json json = ReadReport(report);
        ASSERT_TRUE(json.is_object());
        EXPECT_EQ(whole ? "installed" : "failed", json["result"]);
        EXPECT_EQ(whole ? 0 : 1603, json["exitCode"]);
        EXPECT_EQ(whole ? "" : "5", json["errorCode"]);
        EXPECT_EQ("spooler", json["route"]);
        EXPECT_EQ("KV-8200", json["model"]);
        EXPECT_EQ(Utf8Of(printer), json["printerName"]);
        EXPECT_EQ(Utf8Of(printer), json["driver"]);
        EXPECT_EQ("LPT3:", json["port"]);
        EXPECT_EQ(WindowsIs64Bit() ? "X64" : "i386", json["package"]);
        EXPECT_EQ(Utf8Of(ThisWindowsEnvironment()), json["environment"]);
        EXPECT_EQ(Utf8Of(ProductVersion()), json["version"]);
        EXPECT_EQ(!whole ? "" : run == 0 ? "added" : "unchanged", json["change"]);
        if (whole && run == 1) {
            EXPECT_EQ(Utf8Of(ProductVersion()), json["installedVersion"]);
            EXPECT_TRUE(start == ProductState::Now()) << "no queue or driver was added";
        }
        const std::string started = json["startedAt"];
        EXPECT_EQ(24u, started.size());
        EXPECT_EQ('Z', started.back());
        EXPECT_GT(json["durationMs"].get<long long>(), 0);
        EXPECT_EQ(Utf8Of(log), json["log"]) << "the administrator's log is named";
        // A user's run logs into the user's Documents.
        const std::string installLog = json["installLog"];
        EXPECT_EQ(0u, installLog.rfind(
                          Utf8Of(KnownFolder(CSIDL_PERSONAL) + L"\\Velmora科技有限公司\\Log("), 0))
            << installLog;
        ASSERT_TRUE(json["steps"].is_array());
        int monitorSteps = 0, monitorAdded = 0, queueSteps = 0, queueAdded = 0, driverSteps = 0;
        for (const auto& step : json["steps"]) {
            EXPECT_TRUE(step.contains("ok") && step.contains("error"));
            const std::string name = step["step"];
            const bool ok = step["ok"] == true;
            if (name.rfind("AddMonitor ", 0) == 0) {
                ++monitorSteps;
                monitorAdded += ok ? 1 : 0;
                EXPECT_EQ(ok, step["error"] == 0) << step.dump();
            }
            if (name.rfind("AddPrinterDriver", 0) == 0)
                ++driverSteps;
            if (name.rfind("AddPrinter " + Utf8Of(printer), 0) == 0) {
                ++queueSteps;
                queueAdded += ok ? 1 : 0;
            }
        }
        EXPECT_GE(monitorSteps, 1) << "the monitor's step is in the report";
        if (whole) {
            EXPECT_EQ(run == 0 ? 1 : 0, queueAdded) << "the queue's step is in the report";
            EXPECT_EQ(run == 0 ? 1 : 0, driverSteps) << "a driver of the same files is left";
        } else {
            EXPECT_EQ(0, monitorAdded);
            EXPECT_EQ(0, queueSteps) << "no queue is tried after the monitor failed";
        }

        // The administrator's log file holds the same records as the install log.
        const std::string copy = ReadFileBytes(log);
        EXPECT_NE(std::string::npos,
                  copy.find(win::ToAnsi(L"AddMonitor Korvane Language Monitor")));
        if (whole) {
            EXPECT_NE(std::string::npos, copy.find(win::ToAnsi(L"驱动安装成功")));
            EXPECT_NE(std::string::npos,
                      copy.find(win::ToAnsi(run == 0 ? L"AddPrinter " + printer
                                                     : std::wstring(L"打印机驱动未改变"))));
        } else {
            EXPECT_NE(std::string::npos, copy.find(win::ToAnsi(L"安装失败 错误代码：5")));
            EXPECT_EQ(std::string::npos, copy.find(win::ToAnsi(L"驱动安装成功")));
        }
    }
    if (!whole) {
        EXPECT_TRUE(before == ProductState::Now()) << "nothing of ours is half installed";
    }
}

TEST_F(Unattended, ExitCodesTellFailuresApart) {
    // A distribution without its catalogue, one without this machine's package, one whose
    // package lacks a model's data file.
    const std::wstring noCatalogue = scratch + L"no-catalogue";
    CopyTree(dist, noCatalogue, L"PrinterInfo.ini");
    const std::wstring noPackage = scratch + L"no-package";
    CopyTree(dist, noPackage, L"24Pin");
    const std::wstring noDataFile = scratch + L"no-data-file";
    const bool windows64 = WindowsIs64Bit();
    CopyTree(dist, noDataFile,
             windows64 ? L"24Pin\\X64\\KV-8200.GPD" : L"24Pin\\i386\\KV-8200.GPD");
    const std::wstring noMakerFile = scratch + L"no-maker-file";
    CopyTree(dist, noMakerFile,
             windows64 ? L"24Pin\\X64\\PrnSetUI.dll" : L"24Pin\\i386\\PrnSetUI.dll");

    struct Case {
        const wchar_t* name;
        std::wstring folder;
        std::wstring arguments;
        DWORD exitCode;
        const char* errorCode;
    };
    const Case cases[] = {
        {L"unknown switch", dist, L"/quiet /silent", 1639, ""},
        {L"missing value", dist, L"/quiet /model", 1639, ""},
        {L"unknown model", dist, L"/quiet /model KV-9999 /port LPT1:", 1639, ""},
        {L"no model given, none connected", dist, L"/quiet /port LPT1:", 1639, ""},
        {L"unknown port", dist, L"/quiet /model KV-8200 /port LPT9:", 1639, ""},
        {L"switch the action does not take", dist, L"/uninstall /quiet /model KV-8200", 1639, ""},
        {L"missing catalogue", noCatalogue, L"/quiet /model KV-8200 /port LPT1:", 1619, "1"},
        {L"missing package", noPackage, L"/quiet /model KV-8200 /port LPT1:", 1619, "1"},
        {L"missing data file", noDataFile, L"/quiet /model KV-8200 /port LPT1:", 1619, "2"},
        {L"missing maker's file", noMakerFile, L"/quiet /model KV-8200 /port LPT1:", 1619, "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8Of(c.name));
        const std::wstring report = scratch + L"exit.json";
        ::DeleteFileW(report.c_str());
        const Outcome outcome = RunSetup(c.folder, c.arguments + L" /report " + report);
        ASSERT_TRUE(outcome.ended);
        EXPECT_EQ(L"", outcome.window);
        EXPECT_EQ(c.exitCode, outcome.exitCode);
        const nlohmann::json json = ReadReport(report);
        ASSERT_TRUE(json.is_object());
        EXPECT_EQ("failed", json["result"]);
        EXPECT_EQ(static_cast<int>(c.exitCode), json["exitCode"]);
        EXPECT_EQ(c.errorCode, json["errorCode"]);
        if (std::string(c.errorCode) != "2") { // refused before the job, which logs its steps
            const std::string message = json["message"];
            EXPECT_FALSE(message.empty()) << "a refused run says why";
        }
    }
}

// A silent install asked to report through a folder link that a user planted (a real link: Wine
// shows a Unix folder link as a reparse point) is refused before it changes anything: 1639, the
// reason on its output, no report or log copy in the link's target, no folder made, nothing
// installed.
TEST_F(Unattended, ReportThroughAPlantedLinkIsRefusedWithNothingChanged) {
    const std::wstring target = scratch + L"target", plain = scratch + L"plain";
    const std::wstring link = scratch + L"link";
    ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
    ASSERT_TRUE(MakeFolderLink(link, target));
    const ProductState before = ProductState::Now();
    const std::wstring output = scratch + L"output.txt";

    const Outcome outcome = RunSetup(dist,
                                     L"/quiet /model KV-8200 /port LPT1: /report \"" + link +
                                         L"\\kv\\r.json\" /log \"" + plain + L"\\kv.log\"",
                                     output);

    RemoveFolderLink(link);
    EXPECT_TRUE(outcome.ended);
    EXPECT_EQ(1639u, outcome.exitCode);
    EXPECT_TRUE(outcome.window.empty()) << Utf8Of(outcome.window);
    const std::string said = ReadFileBytes(output);
    EXPECT_NE(std::string::npos,
              said.find(Utf8Of(L"报告文件的路径经过链接（联接点或符号链接），已拒绝：")))
        << said;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((target + L"\\kv").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(plain.c_str())) << "no folder made";
    EXPECT_TRUE(before == ProductState::Now());
}

TEST_F(Unattended, ARunningCopyGives1618AndAnUnwritableReport1603) {
    {
        // The wizard runs: a silent run waits for nobody and changes nothing.
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION wizard{};
        std::wstring line = L"\"" + dist + L"\\Setup.exe\"";
        ASSERT_TRUE(::CreateProcessW((dist + L"\\Setup.exe").c_str(), &line[0], nullptr, nullptr,
                                     FALSE, 0, nullptr, dist.c_str(), &si, &wizard));
        const DWORD start = ::GetTickCount();
        while (::FindWindowW(nullptr, kWizardTitle) == nullptr && ::GetTickCount() - start < 60000)
            ::Sleep(50);
        const std::wstring printer = NextPrinterName(L"Korvane KV-8200");
        const Outcome outcome = RunSetup(dist, L"/quiet /model KV-8200 /port LPT1:");
        EXPECT_EQ(1618u, outcome.exitCode);
        EXPECT_FALSE(PrinterExists(printer));
        ::TerminateProcess(wizard.hProcess, 0);
        ::WaitForSingleObject(wizard.hProcess, 10000);
        ::CloseHandle(wizard.hThread);
        ::CloseHandle(wizard.hProcess);
    }
    // Installed, but the deployment system cannot have its report (its path is a folder): a
    // failed run.
    const Outcome outcome =
        RunSetup(dist, L"/quiet /model KV-8200 /port LPT1: /report \"" + scratch + L"\"");
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(1603u, outcome.exitCode);
}

TEST_F(Unattended, UsageGoesToTheRedirectedOutput) {
    const std::wstring output = scratch + L"usage.txt";
    const Outcome outcome = RunSetup(dist, L"/?", output);
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(L"", outcome.window);
    EXPECT_EQ(0u, outcome.exitCode);
    const std::string text = ReadFileBytes(output);
    EXPECT_NE(std::string::npos, text.find(Utf8Of(L"用法")));
    EXPECT_NE(std::string::npos, text.find("/uninstall"));
    // A wrong line with its output redirected says why there, and still shows no window.
    const Outcome wrong = RunSetup(dist, L"/quiet /nonsense", output);
    EXPECT_EQ(1639u, wrong.exitCode);
    EXPECT_EQ(L"", wrong.window);
    EXPECT_NE(std::string::npos, ReadFileBytes(output).find("/nonsense"));
}

// The whole life of the product on a machine, as a deployment system drives it: a silent install
// registers it in Apps & Features with the installer kept; the kept installer's quiet removal
// (the entry's QuietUninstallString) leaves nothing of ours, and another maker's printer alone.
// Where the route cannot end (the 32-bit installer on 64-bit Wine), the failed install registers
// nothing and keeps no installer, and the distribution's removal deletes what staging left.
TEST_F(Unattended, InstallRegistersAndTheKeptInstallerRemovesOnlyOurs) {
    ASSERT_NO_FATAL_FAILURE(AddForeignPrinter());
    const ProductState before = ProductState::Now();
    const Outcome install = RunSetup(dist, L"/quiet /model KV-8200 /port LPT1:");
    const std::wstring product = ProductFolder();
    const std::wstring kept = product + L"\\Setup.exe";
    std::wstring remover = product;
    if (WholeRouteRunsHere()) {
        ASSERT_EQ(0u, install.exitCode);
        ASSERT_FALSE(Ours(PrinterNames()).empty());
        ASSERT_TRUE(Ours(MonitorNames()).size() == 1);
        EXPECT_TRUE(EntryExists());
        EXPECT_EQ(L"Korvane 82列票据打印机驱动", EntryText(L"DisplayName"));
        EXPECT_EQ(L"Velmora科技有限公司", EntryText(L"Publisher"));
        EXPECT_EQ(ProductVersion(), EntryText(L"DisplayVersion"));
        EXPECT_EQ(L"\"" + kept + L"\" /uninstall /quiet", EntryText(L"QuietUninstallString"));
        EXPECT_EQ(ReadFileBytes(dist + L"\\Setup.exe"), ReadFileBytes(kept));
        // The spooler loads the monitor by its file name from System32, where it was copied.
        EXPECT_EQ(L"QVMLMN.dll", InstalledMonitorDll(L"Korvane Language Monitor"));
        EXPECT_TRUE(FileExists(NativeSystemFolder() + L"\\QVMLMN.dll"));
    } else {
        ASSERT_EQ(1603u, install.exitCode);
        EXPECT_TRUE(before == ProductState::Now()) << "nothing of ours is half installed";
        EXPECT_FALSE(FileExists(kept)) << "the installer is kept only for an installed product";
        EXPECT_TRUE(FolderExists(product)) << "staging copied the manuals and tools";
        // The monitor went into this Windows' own System32 (through Sysnative) before the
        // spooler refused it: the 64-bit one, with the 64-bit package's file.
        EXPECT_EQ(ReadFileBytes(dist + L"\\24Pin\\X64\\QVMLMN.dll"),
                  ReadFileBytes(NativeSystemFolder() + L"\\QVMLMN.dll"));
        remover = dist;
    }
    EXPECT_TRUE(FolderExists(StartMenuFolder()));

    const std::wstring report = scratch + L"removal.json";
    // As a deployment system runs the entry's command: from elsewhere.
    const Outcome removal =
        RunSetup(remover, L"/uninstall /quiet /report " + report, L"", KnownFolder(CSIDL_SYSTEM));
    ASSERT_TRUE(removal.ended);
    EXPECT_EQ(L"", removal.window);
    EXPECT_EQ(0u, removal.exitCode);
    const nlohmann::json json = ReadReport(report);
    ASSERT_TRUE(json.is_object());
    EXPECT_EQ("removed", json["result"]);
    EXPECT_EQ(0, json["exitCode"]);

    EXPECT_EQ(std::set<std::wstring>{}, Ours(PrinterNames()));
    EXPECT_EQ(std::set<std::wstring>{}, Ours(DriverNames(ThisWindowsEnvironment().c_str())));
    EXPECT_EQ(std::set<std::wstring>{}, Ours(MonitorNames()));
    EXPECT_FALSE(FolderExists(product));
    EXPECT_FALSE(FolderExists(StartMenuFolder()));
    EXPECT_FALSE(EntryExists());
    EXPECT_FALSE(FileExists(NativeSystemFolder() + L"\\QVMLMN.dll"))
        << "the monitor's copy in System32 goes with the monitor";
    std::set<std::wstring> driverFiles;
    ListFiles(DriverDirectory(), L"", driverFiles);
    for (const std::wstring& file : driverFiles)
        EXPECT_EQ(std::wstring::npos, file.find(L"KV-8200")) << Utf8Of(file);
    EXPECT_TRUE(Contains(PrinterNames(), kForeignPrinter));
    EXPECT_TRUE(Contains(DriverNames(), kForeignDriver));

    // Once more on a machine without the product: nothing to do is no failure.
    const Outcome again = RunSetup(dist, L"/uninstall /quiet /report " + report);
    EXPECT_EQ(0u, again.exitCode);
    EXPECT_EQ("removed", ReadReport(report)["result"]);
    RemoveForeignPrinter();
}

// A run for all users (as a deployment system's run as SYSTEM): the shortcuts go to the common
// Programs folder, none to the user's or to the Start menu's root, and the log to ProgramData,
// where the report names it. The removal takes the shortcuts from there.
TEST_F(Unattended, AllUsersRunUsesTheMachineWidePlaces) {
    const std::wstring common = KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Vantrel打印机";
    const std::wstring root = KnownFolder(CSIDL_STARTMENU) + L"\\Vantrel打印机";
    const std::wstring logFolder = KnownFolder(CSIDL_COMMON_APPDATA) + L"\\Velmora科技有限公司\\";
    ASSERT_NE(L"\\Vantrel打印机", common);
    for (const std::wstring& folder : {common, StartMenuFolder(), root, logFolder})
        RemoveTree(folder);

    const std::wstring report = scratch + L"allusers.json";
    const Outcome install =
        RunSetup(dist, L"/quiet /allusers /model KV-8200 /port LPT1: /report \"" + report + L"\"");
    ASSERT_TRUE(install.ended);
    EXPECT_EQ(WholeRouteRunsHere() ? 0u : 1603u, install.exitCode);
    EXPECT_TRUE(FileExists(common + L"\\产品手册\\使用手册.lnk"));
    EXPECT_TRUE(FileExists(common + L"\\卸载说明.lnk"));
    EXPECT_FALSE(FolderExists(StartMenuFolder()));
    EXPECT_FALSE(FolderExists(root));
    const nlohmann::json json = ReadReport(report);
    ASSERT_TRUE(json.is_object());
    EXPECT_EQ(Utf8Of(logFolder + L"Log(1).txt"), json["installLog"]);
    EXPECT_EQ(json["installLog"], json["log"]) << "no /log: the report names the install log";
    EXPECT_FALSE(ReadFileBytes(logFolder + L"Log(1).txt").empty());

    const std::wstring remover = WholeRouteRunsHere() ? ProductFolder() : dist;
    const Outcome removal = RunSetup(remover, L"/uninstall /quiet", L"", KnownFolder(CSIDL_SYSTEM));
    ASSERT_TRUE(removal.ended);
    EXPECT_EQ(0u, removal.exitCode);
    EXPECT_FALSE(FolderExists(common));
    EXPECT_FALSE(FolderExists(ProductFolder()));
    RemoveTree(logFolder);
}

// A distribution whose package lacks a file: /check names it, row by row, and exits non-zero;
// the silent install fails at once with the same cause. Neither changes anything on the machine.
TEST_F(Unattended, BrokenDistributionIsCheckedAndRefusedWithNothingChanged) {
    const bool windows64 = WindowsIs64Bit();
    const std::wstring broken = scratch + L"broken";
    CopyTree(dist, broken,
             windows64 ? L"24Pin\\X64\\QTLM24RES.DLL" : L"24Pin\\i386\\QTLM24RES.DLL");

    // The whole distribution passes every check.
    const std::wstring report = scratch + L"check.json";
    const Outcome healthy = RunSetup(dist, L"/check /quiet /model KV-8200 /report " + report);
    EXPECT_EQ(0u, healthy.exitCode);
    nlohmann::json json = ReadReport(report);
    ASSERT_TRUE(json.is_object());
    EXPECT_EQ("checked", json["result"]);
    ASSERT_TRUE(json["checks"].is_array());
    EXPECT_EQ(9u, json["checks"].size());
    for (const auto& row : json["checks"])
        EXPECT_TRUE(row["ok"] == true || row["warning"] == true) << row.dump();

    const Names printers = PrinterNames(), drivers = DriverNames(), monitors = MonitorNames();
    std::set<std::wstring> files;
    ListFiles(DriverDirectory(), L"", files);
    const bool entry = EntryExists();

    const Outcome check = RunSetup(broken, L"/check /quiet /report " + report);
    ASSERT_TRUE(check.ended);
    EXPECT_EQ(L"", check.window);
    EXPECT_EQ(1619u, check.exitCode);
    json = ReadReport(report);
    ASSERT_TRUE(json.is_object());
    EXPECT_EQ("failed", json["result"]);
    bool named = false;
    for (const auto& row : json["checks"]) {
        if (row["check"] == "package") {
            EXPECT_TRUE(row["ok"] == false);
            named = row["detail"].get<std::string>().find("QTLM24RES.DLL") != std::string::npos;
        } else if (row["check"] != "inf" && row["check"] != "monitor") {
            EXPECT_TRUE(row["ok"] == true || row["warning"] == true) << row.dump();
        }
    }
    EXPECT_TRUE(named) << "the missing file is named: " << json["checks"].dump();

    const std::wstring installReport = scratch + L"refused.json";
    const Outcome install =
        RunSetup(broken, L"/quiet /model KV-8200 /port LPT1: /report " + installReport);
    EXPECT_EQ(1619u, install.exitCode);
    json = ReadReport(installReport);
    ASSERT_TRUE(json.is_object());
    EXPECT_EQ("2", json["errorCode"]) << "a maker's file is missing";

    EXPECT_EQ(printers, PrinterNames());
    EXPECT_EQ(drivers, DriverNames());
    EXPECT_EQ(monitors, MonitorNames());
    std::set<std::wstring> filesAfter;
    ListFiles(DriverDirectory(), L"", filesAfter);
    EXPECT_EQ(files, filesAfter);
    EXPECT_EQ(entry, EntryExists());
}

// /testpage: after the install, a receipt reaches the new queue's port, here a file. An install
// that fails (the 32-bit installer on 64-bit Wine) prints nothing.
TEST_F(Unattended, TestPageArrivesAtTheQueuesPort) {
    const bool whole = WholeRouteRunsHere();
    const std::wstring port = scratch + L"receipt.prn";
    ASSERT_TRUE(AddFilePort(port)) << ::GetLastError();
    ::DeleteFileW(port.c_str());
    const std::wstring printer = NextPrinterName(L"Korvane KV-8200");
    const std::wstring report = scratch + L"testpage.json";
    const Outcome outcome = RunSetup(dist, L"/quiet /model KV-8200 /port \"" + port +
                                               L"\" /testpage /report " + report);
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(whole ? 0u : 1603u, outcome.exitCode);
    const nlohmann::json json = ReadReport(report);
    ASSERT_TRUE(json.is_object());
    int writes = 0, written = 0;
    for (const auto& step : json["steps"]) {
        if (step["step"].get<std::string>().rfind("WritePrinter", 0) == 0) {
            ++writes;
            written += step["ok"] == true ? 1 : 0;
        }
    }
    const std::string bytes = ReadFileBytes(port);
    if (!whole) {
        EXPECT_EQ("5", json["errorCode"]);
        EXPECT_EQ(0, writes) << "no receipt is tried for a failed install";
        EXPECT_TRUE(bytes.empty()) << "nothing arrives at the port";
        EXPECT_FALSE(PrinterExists(printer));
        return;
    }
    ASSERT_FALSE(bytes.empty()) << "nothing arrived at the port";
    EXPECT_NE(std::string::npos, bytes.find("KV-8200"));
    EXPECT_NE(std::string::npos, bytes.find(win::ToAnsi(printer)));
    EXPECT_GT(written, 0) << "the receipt's writes are in the report";
    EXPECT_EQ(writes, written);
}

// Without /quiet the removal asks first: "否" ends it with 1602 and removes nothing: the installed
// product, or (where the 32-bit installer cannot end the route on 64-bit Wine) what the failed
// install's staging left.
TEST_F(Unattended, RemovalAsksFirstWithoutQuiet) {
    const bool whole = WholeRouteRunsHere();
    ASSERT_EQ(whole ? 0u : 1603u, RunSetup(dist, L"/quiet /model KV-8200 /port LPT1:").exitCode);
    const std::set<std::wstring> printers = Ours(PrinterNames());
    ASSERT_EQ(whole, !printers.empty());
    ASSERT_TRUE(FolderExists(ProductFolder()));
    ASSERT_TRUE(FolderExists(StartMenuFolder()));

    const Answered answered = AnswerFirstWindow(dist, L"/uninstall", IDNO);
    ASSERT_TRUE(answered.shown) << "no question was asked";
    EXPECT_EQ(L"安装提示", answered.title);
    const DWORD code = answered.exitCode;
    EXPECT_EQ(1602u, code);
    EXPECT_EQ(printers, Ours(PrinterNames()));
    EXPECT_EQ(whole, EntryExists());
    EXPECT_TRUE(FolderExists(ProductFolder()));
    EXPECT_TRUE(FolderExists(StartMenuFolder()));
}

namespace {

// The product removed by its kept installer when a test ends, so that the next test of the bench
// meets a machine without it (an upgraded entry would refuse every older installer).
struct RemovedAtEnd {
    ~RemovedAtEnd() {
        if (FileExists(ProductFolder() + L"\\Setup.exe"))
            RunSetup(ProductFolder(), L"/uninstall /quiet");
    }
};

// UTF-8 text of a report as UTF-16.
std::wstring WideOf(const std::string& utf8) {
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0],
                              size);
    return wide;
}

// The number of queues and of drivers of ours.
std::pair<size_t, size_t> OurCounts() {
    return {Ours(PrinterNames()).size(),
            Ours(DriverNames(ThisWindowsEnvironment().c_str())).size()};
}

} // namespace

// Deployment systems run the same install again and again: it takes over the model's queue on the
// port and changes nothing; /newqueue asks for one more queue, with the copy name.
TEST_F(Unattended, RepeatedInstallKeepsOneQueueAndNewQueueAddsACopy) {
    if (!WholeRouteRunsHere())
        GTEST_SKIP() << "no queue is installed by the 32-bit installer on 64-bit Wine";
    RemovedAtEnd removal;
    const std::wstring report = scratch + L"again.json";
    const std::wstring line = L"/quiet /model KV-8230 /port COM3: /report " + report;
    ASSERT_EQ(0u, RunSetup(dist, line).exitCode);
    const std::string first = ReadReport(report)["printerName"];
    const std::pair<size_t, size_t> counts = OurCounts();
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ASSERT_EQ(0u, RunSetup(dist, line).exitCode);
        const nlohmann::json json = ReadReport(report);
        EXPECT_EQ("unchanged", json["change"]);
        EXPECT_EQ(first, json["printerName"]);
        EXPECT_EQ("COM3:", json["port"]);
        EXPECT_EQ(counts, OurCounts()) << "one queue and one driver";
    }

    const std::wstring copy = NextPrinterName(L"Korvane KV-8230");
    ASSERT_EQ(0u, RunSetup(dist, line + L" /newqueue").exitCode);
    const nlohmann::json json = ReadReport(report);
    EXPECT_EQ("added", json["change"]);
    EXPECT_EQ(Utf8Of(copy), json["printerName"]);
    EXPECT_NE(std::wstring::npos, copy.find(L"(副本 "));
    EXPECT_TRUE(PrinterExists(copy));
    EXPECT_EQ(std::make_pair(counts.first + 1, counts.second + 1), OurCounts());
}

// A newer installer with a changed data file updates the driver in place: the same queue, on the
// same port, prints with the new file, and Apps & Features shows the new version with the newer
// installer kept. An older installer over it changes nothing and says why (1638).
TEST_F(Unattended, NewerInstallerUpdatesInPlaceAndAnOlderOneIsRefused) {
    if (!WholeRouteRunsHere())
        GTEST_SKIP() << "no queue is installed by the 32-bit installer on 64-bit Wine";
    RemovedAtEnd removal;
    const std::wstring report = scratch + L"upgrade.json";
    const std::wstring line = L"/quiet /model KV-8260 /port COM4: /report " + report;
    ASSERT_EQ(0u, RunSetup(dist, line).exitCode);
    const nlohmann::json installed = ReadReport(report);
    const std::wstring printer = WideOf(installed["printerName"].get<std::string>());
    const std::pair<size_t, size_t> counts = OurCounts();

    // The next version's distribution: its own Setup.exe and a data file of other bytes.
    const std::wstring next = scratch + L"next";
    CopyTree(dist, next);
    const std::wstring nextSetup = NextSetupDirectory() + L"\\Setup.exe";
    ASSERT_TRUE(::CopyFileW(nextSetup.c_str(), (next + L"\\Setup.exe").c_str(), FALSE));
    const std::wstring gpd =
        next + (WindowsIs64Bit() ? L"\\24Pin\\X64\\KV-8260.GPD" : L"\\24Pin\\i386\\KV-8260.GPD");
    const std::string newBytes = ReadFileBytes(gpd) + "\r\n*% Next build\r\n";
    ASSERT_TRUE(WriteFileBytes(gpd, newBytes));
    const std::wstring inUse = DriverDirectory() + L"\\3\\KV-8260.GPD";
    ASSERT_NE(newBytes, ReadFileBytes(inUse));

    ASSERT_EQ(0u, RunSetup(next, line).exitCode);
    nlohmann::json json = ReadReport(report);
    EXPECT_EQ("updated", json["change"]);
    EXPECT_EQ(Utf8Of(printer), json["printerName"]);
    EXPECT_EQ("COM4:", json["port"]);
    EXPECT_EQ(Utf8Of(NextProductVersion()), json["version"]);
    EXPECT_EQ(Utf8Of(ProductVersion()), json["installedVersion"]);
    EXPECT_EQ(counts, OurCounts()) << "the same queue and driver";
    EXPECT_EQ(newBytes, ReadFileBytes(inUse)) << "the spooler's copy is the new file";
    EXPECT_EQ(NextProductVersion(), EntryText(L"DisplayVersion"));
    const std::string nextBytes = ReadFileBytes(nextSetup);
    EXPECT_EQ(nextBytes, ReadFileBytes(ProductFolder() + L"\\Setup.exe"));
    EXPECT_TRUE(PrinterExists(printer));

    // The older installer over the newer product.
    const ProductState before = ProductState::Now();
    const Outcome older = RunSetup(dist, line);
    EXPECT_EQ(1638u, older.exitCode);
    EXPECT_EQ(L"", older.window);
    json = ReadReport(report);
    EXPECT_EQ("failed", json["result"]);
    EXPECT_EQ(1638, json["exitCode"]);
    EXPECT_EQ(Utf8Of(NextProductVersion()), json["installedVersion"]);
    EXPECT_NE(std::string::npos,
              json["message"].get<std::string>().find(Utf8Of(NextProductVersion())));
    EXPECT_TRUE(before == ProductState::Now());
    EXPECT_EQ(newBytes, ReadFileBytes(inUse));
    EXPECT_EQ(NextProductVersion(), EntryText(L"DisplayVersion"));
    EXPECT_EQ(nextBytes, ReadFileBytes(ProductFolder() + L"\\Setup.exe"));
}

// The report's and the log's folders are made when missing, so a finished installation is not
// failed at its end; a log that cannot be written, or a kept installer that cannot be replaced,
// fails the run (1603) with the printer left installed.
TEST_F(Unattended, MissingFoldersAreMadeAndWhatCannotBeWrittenFailsTheRun) {
    if (!WholeRouteRunsHere())
        GTEST_SKIP() << "no queue is installed by the 32-bit installer on 64-bit Wine";
    RemovedAtEnd removal;
    const std::wstring report = scratch + L"new\\reports\\r.json";
    const std::wstring log = scratch + L"new\\logs\\kv.log";
    const std::wstring line = L"/quiet /model KV-8200 /port LPT2: /report \"" + report + L"\"";
    const Outcome made = RunSetup(dist, line + L" /log \"" + log + L"\"");
    EXPECT_EQ(0u, made.exitCode);
    nlohmann::json json = ReadReport(report);
    EXPECT_EQ("installed", json["result"]);
    EXPECT_EQ(Utf8Of(log), json["log"]);
    EXPECT_NE(std::string::npos, ReadFileBytes(log).find(win::ToAnsi(L"驱动安装成功")));
    const std::wstring printer = WideOf(json["printerName"].get<std::string>());

    // The log's path is a folder.
    const Outcome noLog = RunSetup(dist, line + L" /log \"" + scratch + L"new\"");
    EXPECT_EQ(1603u, noLog.exitCode);
    json = ReadReport(report);
    EXPECT_EQ("failed", json["result"]);
    EXPECT_EQ(1603, json["exitCode"]);
    EXPECT_TRUE(PrinterExists(printer));

    // The kept installer is held open by another program.
    {
        HeldFile held(ProductFolder() + L"\\Setup.exe");
        ASSERT_TRUE(held.IsHeld());
        const Outcome noEntry = RunSetup(dist, line);
        EXPECT_EQ(1603u, noEntry.exitCode);
    }
    json = ReadReport(report);
    EXPECT_EQ("failed", json["result"]);
    EXPECT_FALSE(json["message"].get<std::string>().empty());
    bool refusedCopy = false;
    for (const auto& step : json["steps"])
        refusedCopy = refusedCopy || (step["step"].get<std::string>().rfind("CopyFile", 0) == 0 &&
                                      step["ok"] == false);
    EXPECT_TRUE(refusedCopy) << "the refused step is in the report";
    EXPECT_TRUE(PrinterExists(printer));
}

namespace {

// Windows protected print mode turned on by its policy value, as Group Policy sets it, in the
// registry's native view; off again when the scope ends.
class ProtectedPrintPolicy {
public:
    ProtectedPrintPolicy() { Set(true); }
    ~ProtectedPrintPolicy() { Set(false); }
    ProtectedPrintPolicy(const ProtectedPrintPolicy&) = delete;
    ProtectedPrintPolicy& operator=(const ProtectedPrintPolicy&) = delete;

private:
    static void Set(bool on) {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP", 0,
                              nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                              nullptr) != ERROR_SUCCESS)
            return;
        const DWORD value = 1;
        if (on)
            ::RegSetValueExW(key, L"WindowsProtectedPrintGroupPolicyState", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&value), sizeof(value));
        else
            ::RegDeleteValueW(key, L"WindowsProtectedPrintGroupPolicyState");
        ::RegCloseKey(key);
    }
};

} // namespace

// With protected print mode on, Windows refuses third-party drivers: the silent install exits 1625
// and says why, the pre-flight's row fails with 1625, the wizard says so in a box and ends, and
// none of them changes anything; the removal still runs.
TEST_F(Unattended, ProtectedPrintModeRefusesBeforeAnythingChanges) {
    ProtectedPrintPolicy policy;
    const ProductState before = ProductState::Now();
    const std::wstring report = scratch + L"protected.json";
    const Outcome install = RunSetup(dist, L"/quiet /model KV-8200 /port LPT1: /report " + report);
    EXPECT_EQ(1625u, install.exitCode);
    EXPECT_EQ(L"", install.window);
    nlohmann::json json = ReadReport(report);
    EXPECT_EQ("failed", json["result"]);
    EXPECT_NE(std::string::npos,
              json["message"].get<std::string>().find(Utf8Of(L"受保护的打印模式已开启")));
    EXPECT_TRUE(before == ProductState::Now());

    const Outcome check = RunSetup(dist, L"/check /quiet /report " + report);
    EXPECT_EQ(1625u, check.exitCode);
    json = ReadReport(report);
    bool rowFailed = false;
    for (const auto& row : json["checks"])
        rowFailed = rowFailed || (row["check"] == "protectedPrint" && row["ok"] == false);
    EXPECT_TRUE(rowFailed) << json["checks"].dump();

    // The wizard: a box, answered, and no wizard window.
    const Answered answered = AnswerFirstWindow(dist, L"", IDOK);
    ASSERT_TRUE(answered.shown) << "nothing was shown";
    EXPECT_EQ(L"安装提示", answered.title);
    EXPECT_NE(std::wstring::npos, answered.text.find(L"受保护的打印模式"));
    const DWORD code = answered.exitCode;
    EXPECT_EQ(1625u, code);
    EXPECT_EQ(nullptr, ::FindWindowW(nullptr, kWizardTitle));
    EXPECT_TRUE(before == ProductState::Now());

    const Outcome removal = RunSetup(dist, L"/uninstall /quiet /report " + report);
    EXPECT_EQ(0u, removal.exitCode);
    EXPECT_EQ("removed", ReadReport(report)["result"]);
}
