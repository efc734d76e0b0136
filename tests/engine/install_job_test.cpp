// The install job on a worker thread, reporting to a window of the test: both ways to an
// installed printer, the fallback between them, and the failures that end it.
#include "job/install_job.h"
#include "engine/package_locator.h"
#include "engine/spooler_api.h"
#include "engine/staging_api.h"
#include "pnp/device_setup_api.h"
#include "tests/engine/job_runner.h"
#include "tests/support/failure_recorder.h"
#include "tests/support/test_paths.h"
#include "win/thread.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <setupapi.h>

#include <atomic>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::atomic<int> g_requestsFreed{0};
struct TrackedRequest : InstallRequest {
    ~TrackedRequest() override { ++g_requestsFreed; }
};

// What the spooler's ordinal-204 entry was called with.
std::vector<std::wstring> g_ordinal204;
BOOL WINAPI RecordOrdinal204(LPCWSTR name) {
    g_ordinal204.push_back(name);
    return engine::SystemSpooler().Ordinal204(name);
}

HANDLE WINAPI RefuseQueue(LPWSTR, DWORD, LPBYTE) {
    ::SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
}

BOOL WINAPI SyntaxErrorInf(PCWSTR, PCWSTR, DWORD, DWORD, PWSTR, DWORD, PDWORD, PWSTR*) {
    ::SetLastError(0xE0000003u); // the setup library's ERROR_GENERAL_SYNTAX
    return FALSE;
}

BOOL WINAPI RefuseDriverUpdate(HWND, LPCWSTR, LPCWSTR, DWORD, PBOOL) {
    ::SetLastError(ERROR_NO_SUCH_DEVINST);
    return FALSE;
}

bool PrinterExists(const std::wstring& name) {
    HANDLE printer = nullptr;
    if (!engine::Spooler().OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, nullptr))
        return false;
    engine::Spooler().ClosePrinter(printer);
    return true;
}

std::wstring FreeName(const std::wstring& base) {
    std::wstring name = base;
    for (int n = 1; PrinterExists(name); ++n)
        name = base + L" (副本 " + std::to_wstring(n) + L")";
    return name;
}

class InstallJob : public ::testing::Test {
protected:
    void SetUp() override {
        g_ordinal204.clear();
        g_requestsFreed = 0;
        spooler = engine::SystemSpooler();
        spooler.Ordinal204 = &RecordOrdinal204;
        engine::SetSpoolerForTesting(&spooler);
        // The job stages the package beside the program: this test program's folder holds one.
        ASSERT_TRUE(FileExists(engine::GetInfPath())) << "no package beside the test program";
    }
    void TearDown() override {
        engine::SetSpoolerForTesting(nullptr);
        engine::SetStagingForTesting(nullptr);
        pnp::SetDeviceSetupForTesting(nullptr);
    }

    // Runs the job to its end, pumping this thread's messages, then a little longer to catch any
    // second report.
    void RunJob(const std::wstring& model, const std::wstring& detected) {
        g_requestsFreed = 0;
        auto* request = new TrackedRequest;
        request->ownerWindow = reports.Get();
        request->modelName = model;
        request->portName = L"LPT1:";
        request->dataFileName = model + L".GPD";
        request->detectedModelName = detected;
        RunInstallJob(request, 120000);
        EXPECT_EQ(1, g_requestsFreed.load()) << "the job frees its request exactly once";
    }

    JobReportWindow reports;
    engine::SpoolerApi spooler{};
};

} // namespace

TEST_F(InstallJob, SpoolerWayInstallsAndReportsOnceWithCopyNumbers) {
    FailureRecorder watcher;
    const std::wstring first = FreeName(L"Korvane KV-8230");
    RunJob(L"KV-8230", L"");
    ASSERT_EQ(std::vector<LPARAM>{1}, reports.reports);
    EXPECT_TRUE(PrinterExists(first));
    EXPECT_EQ(std::vector<std::wstring>{first}, g_ordinal204);

    const std::wstring second = FreeName(L"Korvane KV-8230");
    EXPECT_NE(std::wstring::npos, second.find(L" (副本 "));
    reports.reports.clear();
    g_ordinal204.clear();
    RunJob(L"KV-8230", L"");
    EXPECT_EQ(std::vector<LPARAM>{1}, reports.reports);
    EXPECT_TRUE(PrinterExists(second));
    EXPECT_EQ(std::vector<std::wstring>{second}, g_ordinal204) << "the copy's name";
    EXPECT_TRUE(watcher.Codes().empty());
}

TEST_F(InstallJob, PlugAndPlayWayWhenThePrinterReportsTheModel) {
    // A present device that the package INF claims, as a connected KV-8260 would be.
    const GUID printerClass = {
        0x4D36E979, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    HDEVINFO set = ::SetupDiCreateDeviceInfoList(&printerClass, nullptr);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    const wchar_t ids[] = L"USBPRINT\\KorvaneKV-8260D405\0";
    ASSERT_TRUE(::SetupDiCreateDeviceInfoW(set, L"Printer", &printerClass, nullptr, nullptr,
                                           DICD_GENERATE_ID, &device));
    ASSERT_TRUE(::SetupDiSetDeviceRegistryPropertyW(
        set, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(ids), sizeof(ids)));
    ASSERT_TRUE(::SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device));

    const std::wstring spoolerName = FreeName(L"Korvane KV-8260");
    RunJob(L"KV-8260", L"KV-8260");
    EXPECT_EQ(std::vector<LPARAM>{1}, reports.reports);
    EXPECT_EQ(std::vector<std::wstring>{L"Korvane KV-8260"}, g_ordinal204);
    EXPECT_FALSE(PrinterExists(spoolerName)) << "no queue by the spooler way";

    ::SetupDiCallClassInstaller(DIF_REMOVE, set, &device);
    ::SetupDiDestroyDeviceInfoList(set);
}

TEST_F(InstallJob, FailedPlugAndPlayFallsBackSilently) {
    FailureRecorder watcher;
    pnp::DeviceSetupApi refusing{&RefuseDriverUpdate};
    pnp::SetDeviceSetupForTesting(&refusing);
    const std::wstring name = FreeName(L"Korvane KV-8200");
    RunJob(L"KV-8200", L"KV-8200"); // the same model, but the driver update is refused
    EXPECT_EQ(std::vector<LPARAM>{1}, reports.reports);
    EXPECT_TRUE(PrinterExists(name));
    EXPECT_EQ(std::vector<std::wstring>{name}, g_ordinal204);
    EXPECT_TRUE(watcher.Codes().empty()) << "the failed attempt shows nothing";
}

TEST_F(InstallJob, RefusedQueueShowsCodeSixAndReportsFailure) {
    FailureRecorder watcher;
    spooler.AddPrinterW = &RefuseQueue;
    RunJob(L"KV-8280", L"");
    EXPECT_EQ(std::vector<LPARAM>{0}, reports.reports);
    EXPECT_EQ(std::vector<std::wstring>{L"6"}, watcher.Codes());
    EXPECT_TRUE(g_ordinal204.empty());
}

TEST_F(InstallJob, InfSyntaxErrorDuringStagingIsAFailure) {
    FailureRecorder watcher;
    engine::StagingApi staging = engine::SystemStaging();
    staging.SetupCopyOEMInfW = &SyntaxErrorInf;
    engine::SetStagingForTesting(&staging);
    const std::wstring name = FreeName(L"Korvane KV-8200");
    RunJob(L"KV-8200", L"");
    EXPECT_EQ(std::vector<LPARAM>{0}, reports.reports) << "nothing was registered";
    EXPECT_EQ(std::vector<std::wstring>{L"3"}, watcher.Codes());
    EXPECT_FALSE(PrinterExists(name));
    EXPECT_TRUE(g_ordinal204.empty());
}
