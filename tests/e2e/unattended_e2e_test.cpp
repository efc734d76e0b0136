// Setup.exe started with arguments, as a deployment system starts it: no window may appear, the
// exit code tells the outcome apart, and the report says the rest.
#include "tests/e2e/e2e_support.h"
#include "tests/support/test_paths.h"
#include "win/text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

using namespace testing_support;
using e2e::NextPrinterName;
using e2e::PrinterExists;
using e2e::Utf8Of;

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
// of it. With `output`, the program's standard output goes to that file.
Outcome RunSetup(const std::wstring& folder, const std::wstring& arguments,
                 const std::wstring& output = L"") {
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
                          nullptr, folder.c_str(), &si, &process)) {
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

TEST_F(Unattended, QuietInstallShowsNoWindowAndReportsEveryField) {
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "first run" : "second run: the copy");
        const std::wstring printer = NextPrinterName(L"Korvane KV-8200");
        const std::wstring report = scratch + L"report" + std::to_wstring(run) + L".json";
        const std::wstring log = scratch + L"log" + std::to_wstring(run) + L".txt";
        const Outcome outcome = RunSetup(dist, L"/quiet /model KV-8200 /port LPT1: /report \"" +
                                                   report + L"\" -LOG:" + log);
        ASSERT_TRUE(outcome.ended);
        EXPECT_EQ(L"", outcome.window) << "a silent run shows nothing";
        EXPECT_EQ(0u, outcome.exitCode);
        EXPECT_TRUE(PrinterExists(printer));

        const nlohmann::json json = ReadReport(report);
        ASSERT_TRUE(json.is_object());
        EXPECT_EQ("installed", json["result"]);
        EXPECT_EQ(0, json["exitCode"]);
        EXPECT_EQ("", json["errorCode"]);
        EXPECT_EQ("spooler", json["route"]);
        EXPECT_EQ("KV-8200", json["model"]);
        EXPECT_EQ(Utf8Of(printer), json["printerName"]);
        EXPECT_EQ(Utf8Of(printer), json["driver"]);
        EXPECT_EQ("LPT1:", json["port"]);
        const bool windows64 = e2e::WindowsIs64Bit();
        EXPECT_EQ(windows64 ? "X64" : "i386", json["package"]);
        EXPECT_EQ(windows64 ? "Windows x64" : "Windows NT x86", json["environment"]);
        EXPECT_EQ("1.0.0.1", json["version"]);
        const std::string started = json["startedAt"];
        EXPECT_EQ(24u, started.size());
        EXPECT_EQ('Z', started.back());
        EXPECT_GT(json["durationMs"].get<long long>(), 0);
        const std::string logPath = json["log"];
        EXPECT_NE(std::string::npos, logPath.find("Log("));
        ASSERT_TRUE(json["steps"].is_array());
        bool queueStep = false;
        for (const auto& step : json["steps"]) {
            EXPECT_TRUE(step.contains("ok") && step.contains("error"));
            const std::string name = step["step"];
            if (name.rfind("AddPrinter " + Utf8Of(printer), 0) == 0)
                queueStep = step["ok"] == true;
        }
        EXPECT_TRUE(queueStep) << "the queue's step is in the report";

        // The administrator's log file holds the same records as the install log.
        const std::string copy = ReadFileBytes(log);
        EXPECT_NE(std::string::npos, copy.find(win::ToAnsi(L"驱动安装成功")));
        EXPECT_NE(std::string::npos, copy.find(win::ToAnsi(L"AddPrinter " + printer)));
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
    const bool windows64 = e2e::WindowsIs64Bit();
    CopyTree(dist, noDataFile,
             windows64 ? L"24Pin\\X64\\KV-8200.GPD" : L"24Pin\\i386\\KV-8200.GPD");

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
        {L"missing data file", noDataFile, L"/quiet /model KV-8200 /port LPT1:", 1603, "2"},
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
        if (c.exitCode != 1603) {
            const std::string message = json["message"];
            EXPECT_FALSE(message.empty()) << "a refused run says why";
        }
    }
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
    // Installed, but the deployment system cannot have its report: a failed run.
    const Outcome outcome =
        RunSetup(dist, L"/quiet /model KV-8200 /port LPT1: /report C:\\no\\such\\folder\\r.json");
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
