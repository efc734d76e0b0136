// Service control against Wine's service control manager (its "Spooler" service, and no
// "PcaSvc"), and against a scripted manager for what Wine cannot play: a present "PcaSvc",
// refusals, and services that never reach their state.
#include "engine/service_api.h"
#include "engine/service_control.h"
#include "tests/engine/installer_fixtures.h"
#include "win/handle.h"
#include "win/text.h"
#include "win/thread.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using namespace engine;
using installer_tests::LogWatch;
using installer_tests::PutSpoolerServiceIn;
using installer_tests::SpoolerServiceGuard;
using installer_tests::SpoolerServiceState;

namespace {

using Records = std::vector<std::wstring>;

// The records, each cut to the length of its expected beginning.
Records Beginnings(const Records& records, const Records& expected) {
    Records cut;
    for (size_t i = 0; i < records.size(); ++i)
        cut.push_back(i < expected.size() ? records[i].substr(0, expected[i].size()) : records[i]);
    return cut;
}

unsigned __stdcall WaitForEvent(void* event) {
    ::WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 0;
}

bool RunStartupThread() {
    win::KernelHandle thread = win::StartThread(&ServiceStartupThread, nullptr);
    return thread && ::WaitForSingleObject(thread.Get(), 20000) == WAIT_OBJECT_0;
}

// ---- Debug output, caught as a debugger would see it -----------------------------------------

std::vector<std::wstring> g_debugOutput;

LONG CALLBACK CatchDebugOutput(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        g_debugOutput.push_back(win::FromAnsi(text, record->ExceptionInformation[0]));
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (record->ExceptionCode == 0x4001000A /* DBG_PRINTEXCEPTION_WIDE_C */ &&
        record->NumberParameters >= 2) {
        g_debugOutput.push_back(reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]));
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

class DebugOutputCatcher {
public:
    DebugOutputCatcher() : m_handler(::AddVectoredExceptionHandler(1, &CatchDebugOutput)) {
        g_debugOutput.clear();
    }
    ~DebugOutputCatcher() { ::RemoveVectoredExceptionHandler(m_handler); }
    DebugOutputCatcher(const DebugOutputCatcher&) = delete;
    DebugOutputCatcher& operator=(const DebugOutputCatcher&) = delete;
    std::vector<std::wstring> Lines() const { return g_debugOutput; }

private:
    void* m_handler;
};

// ---- A scripted service control manager with one service ---------------------------------------

struct ScriptedService {
    std::wstring name = L"PcaSvc";
    DWORD managerError = 0; // OpenSCManagerW refused with it
    bool installed = true;
    DWORD state = SERVICE_RUNNING;
    DWORD waitHint = 0;
    int pendingQueries = 1;        // queries that still report a pending state; -1: for ever
    int startPendingQueries = -2;  // the same for a start; -2: as pendingQueries
    int queriesBeforeFailure = -1; // -1: queries never fail
    DWORD controlError = 0, startError = 0;

    // What happened.
    std::vector<std::wstring> calls;
    int openHandles = 0;
    int queries = 0;

    // Internal.
    DWORD target = 0;
    int pendingLeft = 0;
} g_service;

SC_HANDLE const kManager = reinterpret_cast<SC_HANDLE>(0x1000);
SC_HANDLE const kService = reinterpret_cast<SC_HANDLE>(0x2000);

SC_HANDLE WINAPI ScriptedOpenManager(LPCWSTR machine, LPCWSTR database, DWORD access) {
    g_service.calls.push_back(L"OpenSCManagerW " + std::to_wstring(access) +
                              (machine == nullptr && database == nullptr ? L"" : L" remote"));
    if (g_service.managerError != 0) {
        ::SetLastError(g_service.managerError);
        return nullptr;
    }
    ++g_service.openHandles;
    return kManager;
}
SC_HANDLE WINAPI ScriptedOpenService(SC_HANDLE manager, LPCWSTR name, DWORD access) {
    g_service.calls.push_back(L"OpenServiceW " + std::wstring(name) + L" " +
                              std::to_wstring(access));
    if (manager != kManager || !g_service.installed || g_service.name != name) {
        ::SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    ++g_service.openHandles;
    return kService;
}
BOOL WINAPI ScriptedQuery(SC_HANDLE service, LPSERVICE_STATUS status) {
    ++g_service.queries;
    if (service != kService || g_service.queriesBeforeFailure == 0) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (g_service.queriesBeforeFailure > 0)
        --g_service.queriesBeforeFailure;
    if (g_service.target != 0) {
        if (g_service.pendingLeft == 0) {
            g_service.state = g_service.target;
            g_service.target = 0;
        } else if (g_service.pendingLeft > 0) {
            --g_service.pendingLeft;
        }
    }
    *status = SERVICE_STATUS{};
    status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status->dwCurrentState = g_service.state;
    status->dwWaitHint = g_service.target != 0 ? g_service.waitHint : 0;
    return TRUE;
}
void Move(DWORD pending, DWORD target) {
    g_service.state = pending;
    g_service.target = target;
    g_service.pendingLeft = target == SERVICE_RUNNING && g_service.startPendingQueries != -2
                                ? g_service.startPendingQueries
                                : g_service.pendingQueries;
}
BOOL WINAPI ScriptedControl(SC_HANDLE, DWORD control, LPSERVICE_STATUS status) {
    g_service.calls.push_back(L"ControlService " + std::to_wstring(control));
    if (g_service.controlError != 0) {
        ::SetLastError(g_service.controlError);
        return FALSE;
    }
    Move(SERVICE_STOP_PENDING, SERVICE_STOPPED);
    status->dwCurrentState = g_service.state;
    return TRUE;
}
BOOL WINAPI ScriptedStart(SC_HANDLE, DWORD count, LPCWSTR* arguments) {
    g_service.calls.push_back(L"StartServiceW" +
                              std::wstring(count == 0 && arguments == nullptr ? L"" : L" args"));
    if (g_service.startError != 0) {
        ::SetLastError(g_service.startError);
        return FALSE;
    }
    Move(SERVICE_START_PENDING, SERVICE_RUNNING);
    return TRUE;
}
BOOL WINAPI ScriptedClose(SC_HANDLE handle) {
    if (handle != kManager && handle != kService) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --g_service.openHandles;
    return TRUE;
}

const ServiceControlApi kScripted{&ScriptedOpenManager, &ScriptedOpenService, &ScriptedQuery,
                                  &ScriptedControl,     &ScriptedStart,       &ScriptedClose};

const std::wstring kAllAccess = std::to_wstring(SC_MANAGER_ALL_ACCESS);
const std::wstring kServiceAllAccess = std::to_wstring(SERVICE_ALL_ACCESS);
const std::wstring kExecute = std::to_wstring(GENERIC_EXECUTE);

} // namespace

// ---- Against Wine's service control manager ---------------------------------------------------

class WineServices : public ::testing::Test {
protected:
    SpoolerServiceGuard guard;
    LogWatch log;
};

TEST_F(WineServices, StartSpoolerFromEitherState) {
    for (DWORD initial : {DWORD(SERVICE_STOPPED), DWORD(SERVICE_RUNNING)}) {
        SCOPED_TRACE(initial);
        ASSERT_TRUE(PutSpoolerServiceIn(initial));
        EXPECT_TRUE(StartServiceByName(kSpoolerServiceName));
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), SpoolerServiceState());
    }
    EXPECT_EQ(Records{}, log.NewRecords());
}

// Stopping asks and does not wait; Wine reports the stop at the next query.
TEST_F(WineServices, StopSpoolerFromEitherState) {
    for (DWORD initial : {DWORD(SERVICE_RUNNING), DWORD(SERVICE_STOPPED)}) {
        SCOPED_TRACE(initial);
        ASSERT_TRUE(PutSpoolerServiceIn(initial));
        EXPECT_TRUE(StopServiceByName(kSpoolerServiceName));
        DWORD state = SpoolerServiceState();
        for (int i = 0; i < 100 && state != SERVICE_STOPPED; ++i, state = SpoolerServiceState())
            ::Sleep(50);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), state);
    }
    EXPECT_EQ(Records{}, log.NewRecords());
}

// Whether it ran or not before, the spooler runs after a restart.
TEST_F(WineServices, RestartSpoolerLeavesItRunning) {
    for (DWORD initial : {DWORD(SERVICE_RUNNING), DWORD(SERVICE_STOPPED)}) {
        SCOPED_TRACE(initial);
        ASSERT_TRUE(PutSpoolerServiceIn(initial));
        EXPECT_TRUE(RestartSpooler());
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), SpoolerServiceState());
    }
    EXPECT_EQ(Records{}, log.NewRecords());
}

// Wine has no compatibility assistant: the by-name operations log the refused open, the "PcaSvc"
// operations do nothing at all.
TEST_F(WineServices, AbsentCompatibilityAssistant) {
    EXPECT_FALSE(StopServiceByName(kPcaServiceName));
    EXPECT_FALSE(StartServiceByName(kPcaServiceName));
    const Records expected = {L"OpenService failed with error 1060: ",
                              L"OpenService failed with error 1060: "};
    const Records records = log.NewRecords();
    EXPECT_EQ(expected, Beginnings(records, expected));

    LogWatch quiet;
    EXPECT_FALSE(StopPcaService(::OpenSCManagerW(nullptr, nullptr, GENERIC_EXECUTE)));
    EXPECT_FALSE(StartPcaService(::OpenSCManagerW(nullptr, nullptr, GENERIC_EXECUTE)));
    EXPECT_EQ(Records{}, quiet.NewRecords());
}

TEST_F(WineServices, StartupThreadStartsTheSpooler) {
    ASSERT_TRUE(PutSpoolerServiceIn(SERVICE_STOPPED));
    ASSERT_TRUE(RunStartupThread());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), SpoolerServiceState());
    EXPECT_EQ(Records{}, log.NewRecords());
}

// ---- Against the scripted manager ---------------------------------------------------------------

class ScriptedServices : public ::testing::Test {
protected:
    void SetUp() override {
        g_service = ScriptedService{};
        SetServiceControlForTesting(&kScripted);
    }
    void TearDown() override {
        SetServiceControlForTesting(nullptr);
        SetServiceWaitForTesting(nullptr);
        EXPECT_EQ(0, g_service.openHandles) << "handles left open";
    }
    LogWatch log;
};

TEST_F(ScriptedServices, CompatibilityAssistantStoppedAndStartedAgain) {
    g_service.state = SERVICE_RUNNING;
    g_service.waitHint = 30;
    g_service.pendingQueries = 2;
    DebugOutputCatcher debug;
    ASSERT_TRUE(StopPcaService(ScriptedOpenManager(nullptr, nullptr, GENERIC_EXECUTE)));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), g_service.state);
    ASSERT_TRUE(StartPcaService(ScriptedOpenManager(nullptr, nullptr, GENERIC_EXECUTE)));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_service.state);

    const std::wstring open = L"OpenServiceW PcaSvc " + std::to_wstring(0x34);
    const std::vector<std::wstring> calls = {
        L"OpenSCManagerW " + kExecute, open, L"ControlService 1",
        L"OpenSCManagerW " + kExecute, open, L"StartServiceW"};
    EXPECT_EQ(calls, g_service.calls);
    EXPECT_EQ((std::vector<std::wstring>{L"stop success。", L"start success。"}), debug.Lines());
    EXPECT_EQ(Records{}, log.NewRecords());
}

// Nothing to do when the service already is where it should be; the handles are closed anyway.
TEST_F(ScriptedServices, CompatibilityAssistantAlreadyThere) {
    g_service.state = SERVICE_STOPPED;
    EXPECT_FALSE(StopPcaService(ScriptedOpenManager(nullptr, nullptr, GENERIC_EXECUTE)));
    g_service.state = SERVICE_RUNNING;
    EXPECT_FALSE(StartPcaService(ScriptedOpenManager(nullptr, nullptr, GENERIC_EXECUTE)));
    for (const std::wstring& call : g_service.calls)
        EXPECT_EQ(0u, call.find(L"Open")) << call;
    g_service.installed = false;
    EXPECT_FALSE(StopPcaService(ScriptedOpenManager(nullptr, nullptr, GENERIC_EXECUTE)));
    EXPECT_EQ(Records{}, log.NewRecords());
}

// The start-up thread with a running compatibility assistant stops it; the spooler is not this
// manager's service, so its start is refused and logged.
TEST_F(ScriptedServices, StartupThread) {
    g_service.state = SERVICE_RUNNING;
    ASSERT_TRUE(RunStartupThread());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), g_service.state);
    const Records expected = {L"OpenService failed with error 1060: ", L"开启服务失败"};
    EXPECT_EQ(expected, Beginnings(log.NewRecords(), expected));
}

// The program's end does not overtake the start-up thread: a compatibility assistant that is
// still stopping when the wizard closes at once is started again once it has stopped.
TEST_F(ScriptedServices, CompatibilityAssistantRunsAfterAQuickEnd) {
    g_service.state = SERVICE_RUNNING;
    g_service.waitHint = 40;
    g_service.pendingQueries = 8; // about 300 ms of stopping
    DebugOutputCatcher debug;
    win::KernelHandle thread = win::StartThread(&ServiceStartupThread, nullptr);
    ASSERT_TRUE(thread);
    RestorePcaService(thread.Get());
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread.Get(), 0));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_service.state);
    std::vector<std::wstring> acting;
    for (const std::wstring& call : g_service.calls)
        if (call.find(L"Open") != 0)
            acting.push_back(call);
    EXPECT_EQ((std::vector<std::wstring>{L"ControlService 1", L"StartServiceW"}), acting);
    EXPECT_EQ((std::vector<std::wstring>{L"stop success。", L"start success。"}), debug.Lines());
}

// Without a start-up thread, or with one that never ends, the end still starts a stopped
// compatibility assistant, after waiting for the thread no longer than its bound.
TEST_F(ScriptedServices, CompatibilityAssistantStartedWhateverTheThread) {
    const ServiceWaitLimits limits{300, 20};
    SetServiceWaitForTesting(&limits);
    EXPECT_GE(StartupThreadWaitMs(), 2 * limits.timeoutMs);
    EXPECT_LE(StartupThreadWaitMs(), 2 * limits.timeoutMs + 10000);

    g_service.state = SERVICE_STOPPED;
    RestorePcaService(nullptr);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_service.state);

    g_service = ScriptedService{};
    g_service.state = SERVICE_STOPPED;
    win::KernelHandle never(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    win::KernelHandle stuck(win::StartThread(&WaitForEvent, never.Get()));
    ASSERT_TRUE(stuck);
    const ULONGLONG start = ::GetTickCount64();
    RestorePcaService(stuck.Get());
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    EXPECT_GE(elapsed + 50, StartupThreadWaitMs());
    EXPECT_LT(elapsed, StartupThreadWaitMs() + 3000);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_service.state);
    ::SetEvent(never.Get());
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(stuck.Get(), 5000));
}

TEST_F(ScriptedServices, RefusalsAreLogged) {
    const struct {
        const char* what;
        DWORD managerError, controlError, startError;
        bool stop; // StopServiceByName, else StartServiceByName
        DWORD state;
        Records log;
    } cases[] = {
        {"no rights for the manager",
         ERROR_ACCESS_DENIED,
         0,
         0,
         true,
         SERVICE_RUNNING,
         {L"OpenSCManager failed with error 5: "}},
        {"no rights for the manager",
         ERROR_ACCESS_DENIED,
         0,
         0,
         false,
         SERVICE_STOPPED,
         {L"OpenSCManager failed with error 5: "}},
        {"stop refused",
         0,
         ERROR_SERVICE_CANNOT_ACCEPT_CTRL,
         0,
         true,
         SERVICE_RUNNING,
         {L"ControlService failed with error 1061: "}},
        {"service disabled",
         0,
         0,
         ERROR_SERVICE_DISABLED,
         false,
         SERVICE_STOPPED,
         {L"StartService failed with error 1058: "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_service = ScriptedService{};
        g_service.name = kSpoolerServiceName;
        g_service.managerError = c.managerError;
        g_service.controlError = c.controlError;
        g_service.startError = c.startError;
        g_service.state = c.state;
        LogWatch records;
        EXPECT_FALSE(c.stop ? StopServiceByName(kSpoolerServiceName)
                            : StartServiceByName(kSpoolerServiceName));
        EXPECT_EQ(c.log, Beginnings(records.NewRecords(), c.log));
        EXPECT_EQ(0, g_service.openHandles);
    }
}

TEST_F(ScriptedServices, ByNameAccessRights) {
    g_service.name = kSpoolerServiceName;
    g_service.state = SERVICE_STOPPED;
    EXPECT_TRUE(StartServiceByName(kSpoolerServiceName));
    EXPECT_TRUE(StopServiceByName(kSpoolerServiceName));
    const std::wstring manager = L"OpenSCManagerW " + kAllAccess;
    const std::wstring service = L"OpenServiceW Spooler " + kServiceAllAccess;
    EXPECT_EQ((std::vector<std::wstring>{manager, service, L"StartServiceW", manager, service,
                                         L"ControlService 1"}),
              g_service.calls);
}

// A status that cannot be read: start and stop go ahead; a failed query ends the start's wait.
TEST_F(ScriptedServices, UnreadableStatus) {
    g_service.name = kSpoolerServiceName;
    g_service.queriesBeforeFailure = 0;
    EXPECT_TRUE(StartServiceByName(kSpoolerServiceName));
    EXPECT_TRUE(StopServiceByName(kSpoolerServiceName));
    EXPECT_EQ((std::vector<std::wstring>{L"StartServiceW", L"ControlService 1"}),
              std::vector<std::wstring>({g_service.calls[2], g_service.calls[5]}));
    EXPECT_EQ(Records{}, log.NewRecords());
}

// Every wait ends: a service that never reaches its state is given up after the time-out, and a
// long wait hint is slept in short steps.
TEST_F(ScriptedServices, WaitsEndAfterTheTimeOut) {
    const ServiceWaitLimits limits{300, 20};
    SetServiceWaitForTesting(&limits);
    const struct {
        const char* what;
        DWORD initial;
        DWORD waitHint;
        bool (*operation)();
        bool result;
    } cases[] = {
        {"start by name, long hint", SERVICE_STOPPED, 60000,
         [] { return StartServiceByName(kPcaServiceName); }, true},
        {"start by name, no hint", SERVICE_STOPPED, 0,
         [] { return StartServiceByName(kPcaServiceName); }, true},
        {"stop PcaSvc", SERVICE_RUNNING, 60000,
         [] { return StopPcaService(ScriptedOpenManager(nullptr, nullptr, GENERIC_EXECUTE)); },
         false},
        {"start PcaSvc", SERVICE_STOPPED, 60000,
         [] { return StartPcaService(ScriptedOpenManager(nullptr, nullptr, GENERIC_EXECUTE)); },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_service = ScriptedService{};
        g_service.state = c.initial;
        g_service.waitHint = c.waitHint;
        g_service.pendingQueries = -1;
        DebugOutputCatcher debug;
        const ULONGLONG start = ::GetTickCount64();
        EXPECT_EQ(c.result, c.operation());
        const ULONGLONG elapsed = ::GetTickCount64() - start;
        EXPECT_GE(elapsed, 280u);
        EXPECT_LT(elapsed, 3000u);
        EXPECT_GT(g_service.queries, c.waitHint != 0 ? 3 : 50);
        EXPECT_EQ(std::vector<std::wstring>{}, debug.Lines());
        EXPECT_EQ(0, g_service.openHandles);
    }
}

TEST(ServiceWaitLimits, AreTensOfSecondsAtMost) {
    EXPECT_GE(kServiceWaitLimits.timeoutMs, 10000u);
    EXPECT_LE(kServiceWaitLimits.timeoutMs, 60000u);
    EXPECT_LE(kServiceWaitLimits.longestSleepMs, kServiceWaitLimits.timeoutMs);
    EXPECT_EQ(kServiceWaitLimits.timeoutMs, ServiceWait().timeoutMs);
}

// The restart's steps, each refused or stuck in turn: the spooler is restarted only once it has
// stopped, and the restart succeeds only once it runs again.
TEST_F(ScriptedServices, RestartSpoolerSteps) {
    const ServiceWaitLimits limits{300, 20};
    SetServiceWaitForTesting(&limits);
    const std::wstring manager = L"OpenSCManagerW " + kAllAccess;
    const std::wstring service = L"OpenServiceW Spooler " + kServiceAllAccess;
    const std::wstring queryManager = L"OpenSCManagerW " + std::to_wstring(SC_MANAGER_CONNECT);
    const std::wstring queryService =
        L"OpenServiceW Spooler " + std::to_wstring(SERVICE_QUERY_STATUS);
    const struct {
        const char* what;
        DWORD initial;
        DWORD controlError, startError;
        int stopPendingQueries;  // how long the stop takes, in queries after the request
        int startPendingQueries; // the same for the start
        int queriesBeforeFailure;
        bool result;
        DWORD finalState;
        std::vector<std::wstring> acting; // the calls that act on the service
        Records log;
    } cases[] = {
        {"stopped and started",
         SERVICE_RUNNING,
         0,
         0,
         0,
         0,
         -1,
         true,
         SERVICE_RUNNING,
         {L"ControlService 1", L"StartServiceW"},
         {}},
        {"slow to stop and to start",
         SERVICE_RUNNING,
         0,
         0,
         4,
         4,
         -1,
         true,
         SERVICE_RUNNING,
         {L"ControlService 1", L"StartServiceW"},
         {}},
        {"not running before",
         SERVICE_STOPPED,
         0,
         0,
         0,
         0,
         -1,
         true,
         SERVICE_RUNNING,
         {L"StartServiceW"},
         {}},
        {"stop refused",
         SERVICE_RUNNING,
         ERROR_ACCESS_DENIED,
         0,
         0,
         0,
         -1,
         false,
         SERVICE_RUNNING,
         {L"ControlService 1"},
         {L"ControlService failed with error 5: ", L"关闭服务失败"}},
        {"start refused",
         SERVICE_RUNNING,
         0,
         ERROR_SERVICE_DISABLED,
         0,
         0,
         -1,
         false,
         SERVICE_STOPPED,
         {L"ControlService 1", L"StartServiceW"},
         {L"StartService failed with error 1058: ", L"开启服务失败"}},
        // Never started while it is still stopping: that start would be a no-op.
        {"stuck stopping",
         SERVICE_RUNNING,
         0,
         0,
         -1,
         0,
         -1,
         false,
         SERVICE_STOP_PENDING,
         {L"ControlService 1"},
         {L"关闭服务失败"}},
        {"status lost while stopping",
         SERVICE_RUNNING,
         0,
         0,
         2,
         0,
         1,
         false,
         SERVICE_STOP_PENDING,
         {L"ControlService 1"},
         {L"关闭服务失败"}},
        {"stuck starting",
         SERVICE_RUNNING,
         0,
         0,
         0,
         -1,
         -1,
         false,
         SERVICE_START_PENDING,
         {L"ControlService 1", L"StartServiceW"},
         {L"开启服务失败"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_service = ScriptedService{};
        g_service.name = kSpoolerServiceName;
        g_service.state = c.initial;
        g_service.controlError = c.controlError;
        g_service.startError = c.startError;
        g_service.pendingQueries = c.stopPendingQueries;
        g_service.startPendingQueries = c.startPendingQueries;
        g_service.queriesBeforeFailure = c.queriesBeforeFailure;
        LogWatch records;
        const ULONGLONG start = ::GetTickCount64();
        EXPECT_EQ(c.result, RestartSpooler());
        EXPECT_LT(::GetTickCount64() - start, 3000u);
        EXPECT_EQ(c.finalState, g_service.state);
        std::vector<std::wstring> acting;
        for (const std::wstring& call : g_service.calls)
            if (call.find(L"Open") != 0)
                acting.push_back(call);
        EXPECT_EQ(c.acting, acting);
        EXPECT_EQ(c.log, Beginnings(records.NewRecords(), c.log));
        EXPECT_EQ(0, g_service.openHandles);
    }
    // The wait for the stop only reads the status.
    g_service = ScriptedService{};
    g_service.name = kSpoolerServiceName;
    EXPECT_TRUE(RestartSpooler());
    EXPECT_EQ((std::vector<std::wstring>{manager, service, L"ControlService 1", queryManager,
                                         queryService, manager, service, L"StartServiceW"}),
              g_service.calls);
}
