// The spooler environment the registration names, with every spooler and service entry played by
// the test: a 32-bit installer on 64-bit Windows must name "Windows x64", or the spooler takes
// its own environment, "Windows NT x86", where the 64-bit package's files and monitor do not
// belong. Wine's spooler runs inside the installer and cannot load the 64-bit monitor into a
// 32-bit process, so the 32-bit build's arguments are proven here only, through the seams.
#include "engine/package_locator.h"
#include "engine/printer_registration.h"
#include "engine/spooler_api.h"
#include "engine/service_api.h"
#include "tests/support/spooler_objects.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

using namespace engine;

namespace {

// Each spooler call with the environment it named ("-" for a call that names none).
std::vector<std::wstring> g_calls;
bool g_monitorInstalled = false;

std::wstring Env(const wchar_t* environment) {
    return environment != nullptr ? environment : L"(null)";
}

BOOL WINAPI PlayDriverDirectory(LPWSTR, LPWSTR environment, DWORD, LPBYTE buffer, DWORD size,
                                LPDWORD needed) {
    g_calls.push_back(L"GetPrinterDriverDirectoryW " + Env(environment));
    const std::wstring directory = L"C:\\windows\\system32\\spool\\drivers\\x64";
    *needed = static_cast<DWORD>((directory.size() + 1) * sizeof(wchar_t));
    if (size < *needed) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(buffer, directory.c_str(), *needed);
    return TRUE;
}
BOOL WINAPI PlayAddMonitor(LPWSTR, DWORD, LPBYTE info) {
    g_calls.push_back(L"AddMonitorW " +
                      Env(reinterpret_cast<MONITOR_INFO_2W*>(info)->pEnvironment));
    if (g_monitorInstalled) {
        ::SetLastError(ERROR_PRINT_MONITOR_ALREADY_INSTALLED);
        return FALSE;
    }
    g_monitorInstalled = true;
    return TRUE;
}
BOOL WINAPI PlayDeleteMonitor(LPWSTR, LPWSTR environment, LPWSTR) {
    g_calls.push_back(L"DeleteMonitorW " + Env(environment));
    g_monitorInstalled = false;
    return TRUE;
}
BOOL WINAPI PlayAddDriver(LPWSTR, DWORD, LPBYTE info) {
    g_calls.push_back(L"AddPrinterDriverW " +
                      Env(reinterpret_cast<DRIVER_INFO_6W*>(info)->pEnvironment));
    return TRUE;
}
HANDLE WINAPI PlayAddPrinter(LPWSTR, DWORD, LPBYTE) {
    g_calls.push_back(L"AddPrinterW -");
    static int queue;
    return &queue;
}
BOOL WINAPI PlayClosePrinter(HANDLE) {
    return TRUE;
}
// The installed monitor's file is not told, so it is never taken for the one being installed.
BOOL WINAPI PlayEnumMonitors(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed, LPDWORD returned) {
    *needed = 0;
    *returned = 0;
    return TRUE;
}

// The Spooler service, stopped and started at once.
DWORD g_spoolerState = SERVICE_RUNNING;
int g_handle;
SC_HANDLE WINAPI PlayOpenManager(LPCWSTR, LPCWSTR, DWORD) {
    return reinterpret_cast<SC_HANDLE>(&g_handle);
}
SC_HANDLE WINAPI PlayOpenService(SC_HANDLE, LPCWSTR, DWORD) {
    return reinterpret_cast<SC_HANDLE>(&g_handle);
}
BOOL WINAPI PlayQuery(SC_HANDLE, LPSERVICE_STATUS status) {
    *status = SERVICE_STATUS{};
    status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status->dwCurrentState = g_spoolerState;
    return TRUE;
}
BOOL WINAPI PlayControl(SC_HANDLE, DWORD control, LPSERVICE_STATUS status) {
    if (control == SERVICE_CONTROL_STOP)
        g_spoolerState = SERVICE_STOPPED;
    return PlayQuery(nullptr, status);
}
BOOL WINAPI PlayStart(SC_HANDLE, DWORD, LPCWSTR*) {
    g_spoolerState = SERVICE_RUNNING;
    return TRUE;
}
BOOL WINAPI PlayClose(SC_HANDLE) {
    return TRUE;
}

class SpoolerEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_monitorInstalled = false;
        g_spoolerState = SERVICE_RUNNING;
        spooler.GetPrinterDriverDirectoryW = &PlayDriverDirectory;
        spooler.AddMonitorW = &PlayAddMonitor;
        spooler.DeleteMonitorW = &PlayDeleteMonitor;
        spooler.AddPrinterDriverW = &PlayAddDriver;
        spooler.AddPrinterW = &PlayAddPrinter;
        spooler.ClosePrinter = &PlayClosePrinter;
        spooler.EnumMonitorsW = &PlayEnumMonitors;
        services = {&PlayOpenManager, &PlayOpenService, &PlayQuery,
                    &PlayControl,     &PlayStart,       &PlayClose};
        SetSpoolerForTesting(&spooler);
        engine::SetServiceControlForTesting(&services);
    }
    void TearDown() override {
        SetSpoolerForTesting(nullptr);
        engine::SetServiceControlForTesting(nullptr);
    }
    SpoolerApi spooler = SystemSpooler();
    engine::ServiceControlApi services{};
};

} // namespace

// Both builds name the environment of the Windows they run on ("Windows x64" on 64-bit Windows,
// for the 32-bit build under WOW64 too), also when the monitor is already installed and is
// deleted and added again.
TEST_F(SpoolerEnvironment, EveryCallNamesThisWindowsEnvironment) {
    const std::wstring env = L" " + testing_support::ThisWindowsEnvironment();
    const std::vector<std::wstring> firstInstall = {L"GetPrinterDriverDirectoryW" + env,
                                                    L"AddMonitorW" + env,
                                                    L"AddPrinterDriverW" + env, L"AddPrinterW -"};
    ASSERT_TRUE(RegisterDriverAndPrinter(L"Korvane KV-8200", L"LPT1:", L"KV-8200.GPD"));
    EXPECT_EQ(firstInstall, g_calls);

    g_calls.clear();
    ASSERT_TRUE(RegisterDriverAndPrinter(L"Korvane KV-8200 (副本 1)", L"LPT1:", L"KV-8200.GPD"));
    const std::vector<std::wstring> reinstall = {L"GetPrinterDriverDirectoryW" + env,
                                                 L"AddMonitorW" + env,
                                                 L"DeleteMonitorW" + env,
                                                 L"AddMonitorW" + env,
                                                 L"AddPrinterDriverW" + env,
                                                 L"AddPrinterW -"};
    EXPECT_EQ(reinstall, g_calls);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_spoolerState);
}
