// The program's start as deployment systems run it, in this test's process, which lives in a copy
// of the distribution folder: session 0 shows no window, one copy runs per machine whatever its
// session or account, and the spooler runs before the first spooler call. The session, another
// account's mutex and a stopped spooler service are played through their seams: one Wine session
// with its spooler inside the process shows none of them.
#include "engine/install_log.h"
#include "engine/log_record.h"
#include "engine/run_context.h"
#include "engine/service_api.h"
#include "engine/service_control.h"
#include "engine/spooler_api.h"
#include "job/exit_codes.h"
#include "tests/support/test_paths.h"
#include "unattended/one_copy.h"
#include "unattended/program.h"
#include "win/handle.h"
#include "win/text.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using unattended::RunProgram;
using unattended::WizardEntry;

// ---- What the program shows -------------------------------------------------------------------

// Watches for visible windows of this process while it lives: records their titles and answers
// them (no, cancel, close), so that a window shown where none may be fails the test instead of
// hanging it.
class WindowSpy {
public:
    WindowSpy() : m_thread([this] { Run(); }) {}
    ~WindowSpy() {
        m_stop = true;
        m_thread.join();
    }
    std::vector<std::wstring> Titles() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_titles;
    }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window))
            reinterpret_cast<WindowSpy*>(self)->Answer(window);
        return TRUE;
    }
    void Answer(HWND window) {
        wchar_t title[256] = L"";
        ::GetWindowTextW(window, title, 256);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_titles.empty() || m_titles.back() != title)
                m_titles.push_back(title);
        }
        ::PostMessageW(window, WM_COMMAND, IDNO, 0);
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    void Run() {
        while (!m_stop) {
            ::EnumWindows(Visit, reinterpret_cast<LPARAM>(this));
            ::Sleep(50);
        }
    }
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::wstring> m_titles;
    std::thread m_thread;
};

int g_wizardRuns = 0;
int g_activations = 0;
int CountedWizard(const unattended::Options&) {
    ++g_wizardRuns;
    return job::kExitCancelled;
}
void CountedActivation() {
    ++g_activations;
}
const WizardEntry kWizard{CountedWizard, CountedActivation};

bool Yes() {
    return true;
}
bool No() {
    return false;
}
const engine::RunContextApi kSessionZero{No, No};          // a service account, no one to see
const engine::RunContextApi kSystemInSessionZero{Yes, No}; // what deployment systems run as

std::string CurrentLogBytes() {
    const std::wstring folder = engine::GetInstallLogFolder();
    return folder.empty() ? std::string()
                          : testing_support::ReadFileBytes(
                                folder + engine::LogFileName(engine::GetInstallLogFileNumber()));
}

bool Contains(const std::string& bytes, const std::wstring& text) {
    return bytes.find(win::ToAnsi(text)) != std::string::npos;
}

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        g_wizardRuns = 0;
        g_activations = 0;
    }
    void TearDown() override {
        engine::SetRunContextForTesting(nullptr);
        engine::SetAllUsersRun(false);
        unattended::SetOneCopyForTesting(nullptr);
        engine::SetServiceControlForTesting(nullptr);
        engine::SetServiceWaitForTesting(nullptr);
        engine::SetSpoolerForTesting(nullptr);
    }
};

// ---- Session 0 ---------------------------------------------------------------------------------

TEST_F(Program, SessionZeroShowsNoWindowForAnyCommandLine) {
    // Each line would show a window in a user's session: the wizard, the error box with the
    // usage, the usage box. In session 0 each ends at once, silently, with its code.
    const struct {
        std::vector<std::wstring> arguments;
        int exitCode;
        const wchar_t* logged; // what the run says instead of a window
    } cases[] = {
        // The wizard's place: a silent install of the connected printer, and there is none.
        {{}, job::kExitBadCommandLine, L"没有检测到本公司的打印机"},
        {{L"/q"}, job::kExitBadCommandLine, L"无法识别的参数：/q"},
        {{L"/model", L"KV-8200", L"/prot", L"LPT1:"}, job::kExitBadCommandLine, L"/prot"},
        // An install line without /quiet is the wizard elsewhere; here the port is checked
        // silently, and the run ends before anything changes.
        {{L"/model", L"KV-8200", L"/port", L"NOPORT:"},
         job::kExitBadCommandLine,
         L"后台打印程序没有端口 NOPORT:"},
        {{L"/?"}, job::kExitSuccess, L"Setup.exe /uninstall [/quiet]"},
    };
    for (const engine::RunContextApi* context : {&kSessionZero, &kSystemInSessionZero}) {
        engine::SetRunContextForTesting(context);
        for (const auto& c : cases) {
            const std::wstring line = c.arguments.empty() ? L"(none)" : c.arguments.front();
            const size_t logStart = CurrentLogBytes().size();
            WindowSpy spy;
            const ULONGLONG started = ::GetTickCount64();
            // A service has no output to write to: what is said goes to the log.
            const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
            ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
            const int exitCode = RunProgram(c.arguments, kWizard);
            ::SetStdHandle(STD_OUTPUT_HANDLE, output);
            EXPECT_EQ(c.exitCode, exitCode) << line;
            EXPECT_LT(::GetTickCount64() - started, 20000u) << line << ": waited for someone";
            EXPECT_TRUE(spy.Titles().empty())
                << line << ": showed " << win::ToAnsi(spy.Titles()[0]);
            EXPECT_EQ(0, g_wizardRuns) << line;
            const std::string log = CurrentLogBytes().substr(logStart);
            EXPECT_TRUE(Contains(log, c.logged)) << line;
            EXPECT_TRUE(Contains(log, L"按 /quiet 运行")) << line;
        }
    }
}

TEST_F(Program, AUsersSessionStillGetsTheWizard) {
    const engine::RunContextApi userSession{No, Yes};
    engine::SetRunContextForTesting(&userSession);
    EXPECT_EQ(job::kExitCancelled, RunProgram({}, kWizard));
    EXPECT_EQ(1, g_wizardRuns);
    // An install line without /quiet is the wizard, with its own record of the run.
    EXPECT_EQ(job::kExitCancelled, RunProgram({L"/model", L"KV-8200"}, kWizard));
    EXPECT_EQ(2, g_wizardRuns);
}

// ---- One copy per machine
// ------------------------------------------------------------------------

HANDLE WINAPI RefusedCreate(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}
DWORD g_openError = 0;
HANDLE WINAPI RefusedOpen(DWORD, BOOL, LPCWSTR) {
    ::SetLastError(g_openError);
    return nullptr;
}

TEST_F(Program, ASecondCopyInAnySessionGets1618) {
    engine::SetRunContextForTesting(&kSystemInSessionZero);
    const std::vector<std::wstring> check = {L"/check", L"/quiet"};
    {
        // A copy in another session (a user's wizard) holds the machine's mutex: the name is
        // global, not one of this session's.
        const win::KernelHandle other(
            ::CreateMutexW(nullptr, FALSE, L"Global\\Velmora.Korvane.Setup"));
        ASSERT_TRUE(other);
        EXPECT_EQ(job::kExitAlreadyRunning, RunProgram(check, kWizard));
        engine::SetRunContextForTesting(nullptr);
        EXPECT_EQ(job::kExitAlreadyRunning, RunProgram({}, kWizard));
        EXPECT_EQ(1, g_activations) << "the running wizard is brought to the front";
        EXPECT_EQ(0, g_wizardRuns);
    }
    // Another account's mutex, which this account may not open: making it is refused, and so is
    // opening it. No right to make a global object, and none there: this copy runs.
    const unattended::OneCopyApi refused{RefusedCreate, RefusedOpen};
    unattended::SetOneCopyForTesting(&refused);
    engine::SetRunContextForTesting(&kSystemInSessionZero);
    g_openError = ERROR_ACCESS_DENIED;
    EXPECT_EQ(job::kExitAlreadyRunning, RunProgram(check, kWizard));
    g_openError = ERROR_FILE_NOT_FOUND;
    EXPECT_NE(job::kExitAlreadyRunning, RunProgram(check, kWizard));
}

TEST_F(Program, TheMutexIsOpenToEveryAccount) {
    win::KernelHandle held;
    ASSERT_TRUE(unattended::TakeOneCopyMutex(held));
    ASSERT_TRUE(held);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::GetSecurityInfo(held.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, nullptr, nullptr, &descriptor));
    wchar_t* text = nullptr;
    ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::wstring sddl = text;
    ::LocalFree(text);
    ::LocalFree(descriptor);
    // Everyone may wait on it and read its state; SYSTEM and administrators own it.
    EXPECT_NE(std::wstring::npos, sddl.find(L";;;WD)")) << win::ToAnsi(sddl);
    EXPECT_NE(std::wstring::npos, sddl.find(L";;;SY)")) << win::ToAnsi(sddl);
    EXPECT_NE(std::wstring::npos, sddl.find(L";;;BA)")) << win::ToAnsi(sddl);
    // A second take while it is held: another copy runs.
    win::KernelHandle second;
    EXPECT_FALSE(unattended::TakeOneCopyMutex(second));
}

// ---- The spooler service before the first spooler call ------------------------------------------

// One log for the service calls and the spooler calls, so that their order shows.
std::vector<std::string> g_calls;

struct SpoolerService {
    DWORD state = SERVICE_STOPPED;
    DWORD startError = 0;      // StartServiceW refused with it
    bool staysPending = false; // started, but never reports running
} g_spoolerService;

SC_HANDLE const kManager = reinterpret_cast<SC_HANDLE>(0x1000);
SC_HANDLE const kSpoolerHandle = reinterpret_cast<SC_HANDLE>(0x2000);

SC_HANDLE WINAPI OpenManager(LPCWSTR, LPCWSTR, DWORD) {
    return kManager;
}
SC_HANDLE WINAPI OpenService(SC_HANDLE, LPCWSTR name, DWORD) {
    if (std::wstring(name) != engine::kSpoolerServiceName) {
        ::SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    return kSpoolerHandle;
}
BOOL WINAPI Query(SC_HANDLE, LPSERVICE_STATUS status) {
    *status = SERVICE_STATUS{};
    status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status->dwCurrentState = g_spoolerService.state;
    return TRUE;
}
BOOL WINAPI Control(SC_HANDLE, DWORD, LPSERVICE_STATUS) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
BOOL WINAPI Start(SC_HANDLE, DWORD, LPCWSTR*) {
    g_calls.push_back("StartService Spooler");
    if (g_spoolerService.startError != 0) {
        ::SetLastError(g_spoolerService.startError);
        return FALSE;
    }
    g_spoolerService.state =
        g_spoolerService.staysPending ? SERVICE_START_PENDING : SERVICE_RUNNING;
    return TRUE;
}
BOOL WINAPI Close(SC_HANDLE) {
    return TRUE;
}
const engine::ServiceControlApi kServices{OpenManager, OpenService, Query, Control, Start, Close};

// The spooler as Windows has it: while its service is not running, every call fails with "RPC
// server unavailable"; otherwise Wine's spooler answers.
bool SpoolerDown(const char* call) {
    g_calls.push_back(call);
    if (g_spoolerService.state == SERVICE_RUNNING)
        return false;
    ::SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return true;
}
BOOL WINAPI EnumPorts(LPWSTR server, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed,
                      LPDWORD returned) {
    return !SpoolerDown("EnumPorts") &&
           engine::SystemSpooler().EnumPortsW(server, level, ports, size, needed, returned);
}
BOOL WINAPI EnumPrinters(DWORD flags, LPWSTR name, DWORD level, LPBYTE printers, DWORD size,
                         LPDWORD needed, LPDWORD returned) {
    return !SpoolerDown("EnumPrinters") &&
           engine::SystemSpooler().EnumPrintersW(flags, name, level, printers, size, needed,
                                                 returned);
}
BOOL WINAPI EnumDrivers(LPWSTR server, LPWSTR environment, DWORD level, LPBYTE drivers, DWORD size,
                        LPDWORD needed, LPDWORD returned) {
    return !SpoolerDown("EnumPrinterDrivers") &&
           engine::SystemSpooler().EnumPrinterDriversW(server, environment, level, drivers, size,
                                                       needed, returned);
}
BOOL WINAPI EnumMonitors(LPWSTR server, DWORD level, LPBYTE monitors, DWORD size, LPDWORD needed,
                         LPDWORD returned) {
    return !SpoolerDown("EnumMonitors") &&
           engine::SystemSpooler().EnumMonitorsW(server, level, monitors, size, needed, returned);
}

size_t FirstSpoolerCall() {
    for (size_t i = 0; i < g_calls.size(); ++i)
        if (g_calls[i].rfind("Enum", 0) == 0)
            return i;
    return g_calls.size();
}

TEST_F(Program, TheSpoolerRunsBeforeTheFirstSpoolerCall) {
    engine::SpoolerApi spooler = engine::SystemSpooler();
    spooler.EnumPortsW = EnumPorts;
    spooler.EnumPrintersW = EnumPrinters;
    spooler.EnumPrinterDriversW = EnumDrivers;
    spooler.EnumMonitorsW = EnumMonitors;
    engine::SetSpoolerForTesting(&spooler);
    engine::SetServiceControlForTesting(&kServices);
    const engine::ServiceWaitLimits shortWait{1500, 100};
    engine::SetServiceWaitForTesting(&shortWait);
    engine::SetRunContextForTesting(&kSystemInSessionZero);

    // The install line names a port the spooler lacks, so that a run which reaches the spooler
    // ends there (1639) before anything changes; the removal finds nothing of ours on the bench.
    const std::vector<std::wstring> install = {L"/quiet", L"/model", L"KV-8200", L"/port",
                                               L"NOPORT:"};
    const std::vector<std::wstring> removal = {L"/uninstall", L"/quiet"};
    const struct {
        const char* name;
        std::vector<std::wstring> arguments;
        DWORD state, startError;
        bool staysPending;
        int exitCode;
        bool started; // StartService was asked
    } cases[] = {
        {"install, stopped", install, SERVICE_STOPPED, 0, false, job::kExitBadCommandLine, true},
        {"install, running", install, SERVICE_RUNNING, 0, false, job::kExitBadCommandLine, false},
        {"install, start refused", install, SERVICE_STOPPED, ERROR_ACCESS_DENIED, false,
         job::kExitInstallFailed, true},
        {"install, never runs", install, SERVICE_STOPPED, 0, true, job::kExitInstallFailed, true},
        {"removal, stopped", removal, SERVICE_STOPPED, 0, false, job::kExitSuccess, true},
        {"removal, service disabled", removal, SERVICE_STOPPED, ERROR_SERVICE_DISABLED, false,
         job::kExitInstallFailed, true},
        // No /quiet, in session 0: the removal does not ask first, and fails without a box.
        {"removal without /quiet, never runs",
         {L"/uninstall"},
         SERVICE_STOPPED,
         0,
         true,
         job::kExitInstallFailed,
         true},
    };
    for (const auto& c : cases) {
        g_calls.clear();
        g_spoolerService = SpoolerService{c.state, c.startError, c.staysPending};
        const size_t logStart = CurrentLogBytes().size();
        WindowSpy spy;
        EXPECT_EQ(c.exitCode, RunProgram(c.arguments, kWizard)) << c.name;
        EXPECT_TRUE(spy.Titles().empty()) << c.name;
        const auto start = std::find(g_calls.begin(), g_calls.end(), "StartService Spooler");
        EXPECT_EQ(c.started, start != g_calls.end()) << c.name;
        const std::string log = CurrentLogBytes().substr(logStart);
        if (c.exitCode == job::kExitInstallFailed) {
            // Not one spooler call: on Windows each would have failed with 1722.
            EXPECT_EQ(g_calls.size(), FirstSpoolerCall()) << c.name << ": " << g_calls.back();
            EXPECT_TRUE(Contains(log, engine::kSpoolerDownText)) << c.name;
        } else {
            ASSERT_LT(FirstSpoolerCall(), g_calls.size()) << c.name;
            if (c.started) {
                EXPECT_LT(static_cast<size_t>(start - g_calls.begin()), FirstSpoolerCall())
                    << c.name;
            }
            EXPECT_FALSE(Contains(log, engine::kSpoolerDownText)) << c.name;
        }
    }
}

TEST_F(Program, TheCheckReportsAStoppedSpoolerAndLeavesIt) {
    engine::SetServiceControlForTesting(&kServices);
    engine::SetRunContextForTesting(&kSystemInSessionZero);
    g_calls.clear();
    g_spoolerService = SpoolerService{};
    wchar_t temp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring report = std::wstring(temp) + L"program-test-check.json";
    ::DeleteFileW(report.c_str());
    EXPECT_EQ(job::kExitInstallFailed,
              RunProgram({L"/check", L"/quiet", L"/report", report}, kWizard));
    EXPECT_TRUE(g_calls.empty()) << "the check starts nothing: " << g_calls.front();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), g_spoolerService.state);
    const std::string json = testing_support::ReadFileBytes(report);
    EXPECT_NE(std::string::npos, json.find("\"check\": \"spooler\"")) << json;
    ::DeleteFileW(report.c_str());
}

} // namespace
