// Setup.exe driven from outside its process, as a user would: by window titles, control IDs and
// messages. Then what the installation left in the system is checked.
#include "tests/e2e/e2e_support.h"
#include "tests/support/log_records.h"
#include "tests/support/test_paths.h"
#include "win/text.h"
#include "win/window.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <winspool.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace testing_support;
using e2e::NextPrinterName;
using e2e::PrinterExists;
using e2e::WholeRouteRunsHere;
using testing_support::Utf8Of;

namespace {

constexpr wchar_t kWizardTitle[] = L"Velmora科技驱动安装程序";
constexpr int kModelList = 1031, kPortList = 1010, kBack = 1007, kNext = 1008, kCancel = 1009,
              kFinish = 1027, kProgress = 1013, kYes = 1023, kNo = 1022, kErrorOk = 1025;
constexpr DWORD kTimeoutMs = 60000;

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(50);
    }
    return true;
}

struct WindowSearch {
    DWORD process;
    std::function<bool(HWND)> accept;
    HWND found = nullptr;
};

BOOL CALLBACK SearchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == search->process && ::IsWindowVisible(window) && search->accept(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = L"";
    ::GetWindowTextW(window, text, 512);
    return text;
}

std::vector<std::wstring> ListRows(HWND list) {
    std::vector<std::wstring> rows;
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        rows.push_back(win::ListBoxText(list, i));
    return rows;
}

bool Visible(HWND dialog, int id) {
    return ::IsWindowVisible(::GetDlgItem(dialog, id)) != FALSE;
}

// One run of Setup.exe from a distribution folder.
class SetupRun {
public:
    explicit SetupRun(const std::wstring& folder, const std::wstring& arguments = L"") {
        const std::wstring exe = folder + L"\\Setup.exe";
        std::wstring commandLine =
            L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        m_started = ::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                     nullptr, folder.c_str(), &si, &m_process) != FALSE;
    }
    ~SetupRun() {
        if (m_started) {
            if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
                ::TerminateProcess(m_process.hProcess, 99);
            ::CloseHandle(m_process.hThread);
            ::CloseHandle(m_process.hProcess);
        }
    }
    bool Started() const { return m_started; }
    DWORD Id() const { return m_process.dwProcessId; }

    // A visible top-level window of the run that `accept` takes.
    HWND FindWindowWhere(const std::function<bool(HWND)>& accept) const {
        WindowSearch search{m_process.dwProcessId, accept};
        ::EnumWindows(SearchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND WaitWindow(const std::function<bool(HWND)>& accept) const {
        HWND found = nullptr;
        WaitFor([&] { return (found = FindWindowWhere(accept)) != nullptr || Ended(); });
        return found;
    }
    HWND WaitWizard() const {
        return WaitWindow([](HWND w) { return TextOf(w) == kWizardTitle; });
    }
    // The close confirmation, the error dialog or a message box, found by what they hold.
    HWND WaitChild(int id) const {
        return WaitWindow(
            [id](HWND w) { return ::GetDlgItem(w, id) != nullptr && TextOf(w) != kWizardTitle; });
    }
    bool Ended() const { return ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0; }
    bool WaitEnd() const {
        return ::WaitForSingleObject(m_process.hProcess, kTimeoutMs) == WAIT_OBJECT_0;
    }
    // The process's exit code once it has ended; STILL_ACTIVE before.
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

void Click(HWND dialog, int id) {
    ::PostMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::wstring DriverDirectory() {
    wchar_t path[MAX_PATH] = L"";
    DWORD needed = 0;
    ::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(path), sizeof(path),
                                 &needed);
    return path;
}

// Walks the wizard from the model page to the end of the install; returns the success box text
// ("" when the wizard ended without one).
std::wstring InstallThroughTheWizard(SetupRun& run, HWND wizard) {
    Click(wizard, kNext);
    EXPECT_TRUE(WaitFor([&] { return Visible(wizard, kPortList); }));
    Click(wizard, kNext);
    EXPECT_TRUE(WaitFor([&] { return Visible(wizard, kFinish); }));
    Click(wizard, kFinish);
    std::wstring message;
    HWND box = run.WaitWindow([](HWND w) { return ::GetDlgItem(w, 0xFFFF) != nullptr; });
    if (box != nullptr) {
        message = TextOf(::GetDlgItem(box, 0xFFFF));
        EXPECT_EQ(L"Velmora科技有限公司", TextOf(box));
        Click(box, IDOK);
    }
    EXPECT_TRUE(run.WaitEnd());
    EXPECT_EQ(message.empty() ? 1603u : 0u, run.ExitCode()) << "installed 0, failed 1603";
    return message;
}

// The install log's records written after construction, across all its files, without their
// time stamps.
class InstallLogSince {
public:
    InstallLogSince() {
        for (int n = 1; n <= kFiles; ++n)
            m_sizes.push_back(ReadFileBytes(FileOf(n)).size());
    }
    std::vector<std::wstring> Records() const {
        std::vector<std::wstring> records;
        for (int n = 1; n <= kFiles; ++n) {
            const std::string bytes = ReadFileBytes(FileOf(n));
            for (const std::string& ansi :
                 SplitLogRecords(bytes, m_sizes[static_cast<size_t>(n - 1)])) {
                std::wstring record = win::FromAnsi(ansi.data(), ansi.size());
                const size_t stamp = record.rfind(L"     ");
                if (stamp != std::wstring::npos)
                    record.erase(stamp);
                records.push_back(record);
            }
        }
        return records;
    }

private:
    static constexpr int kFiles = 4;
    static std::wstring FileOf(int n) {
        return SpecialFolder(CSIDL_PERSONAL) + L"\\Velmora科技有限公司\\Log(" + std::to_wstring(n) +
               L").txt";
    }
    std::vector<size_t> m_sizes;
};

// The index of the first record from `from` on that starts with `start`; -1 when none does.
int FindRecord(const std::vector<std::wstring>& records, const std::wstring& start, int from = 0) {
    for (size_t i = static_cast<size_t>(from); i < records.size(); ++i)
        if (records[i].compare(0, start.size(), start) == 0)
            return static_cast<int>(i);
    return -1;
}

// The install's steps in the log, in order: its start, the route, each step and the outcome.
void ExpectInstallSteps(const std::vector<std::wstring>& records, const std::wstring& printer,
                        bool installed) {
    std::vector<std::wstring> steps = {
        L"安装开始：型号 KV-8200，端口 LPT1:，打印机报告的型号 （无）",
        L"后台打印程序安装：打印机 " + printer + L"，端口 LPT1:，数据文件 KV-8200.GPD",
        L"驱动文件已复制到 ",
        L"产品手册、工具和卸载程序已复制",
        L"SetupCopyOEMInf ",
        L"AddMonitor Korvane Language Monitor "};
    if (installed) {
        steps.push_back(L"AddPrinterDriver " + printer + L" succeed:  0: ");
        steps.push_back(L"AddPrinter " + printer + L" LPT1: succeed:  0: ");
        steps.push_back(L"Spooler ordinal 204 " + printer);
        steps.push_back(L"驱动安装成功");
    } else {
        steps.push_back(L"安装失败 错误代码：5");
        steps.push_back(L"驱动安装失败");
    }
    int at = 0;
    for (const std::wstring& step : steps) {
        const int found = FindRecord(records, step, at);
        EXPECT_NE(-1, found) << "missing or out of order: " << step;
        if (found >= 0)
            at = found + 1;
    }
}

// The Spooler service's state and process, read from outside the installer.
struct SpoolerService {
    DWORD state = 0;
    DWORD process = 0;
    static SpoolerService Now() {
        SpoolerService now;
        SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE service =
            manager ? ::OpenServiceW(manager, L"Spooler", SERVICE_QUERY_STATUS) : nullptr;
        SERVICE_STATUS_PROCESS status{};
        DWORD needed = 0;
        if (service &&
            ::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO,
                                   reinterpret_cast<BYTE*>(&status), sizeof(status), &needed)) {
            now.state = status.dwCurrentState;
            now.process = status.dwProcessId;
        }
        if (service)
            ::CloseServiceHandle(service);
        if (manager)
            ::CloseServiceHandle(manager);
        return now;
    }
};

// Watches the spooler every few milliseconds while it lives: any state but running is noted.
class SpoolerWatch {
public:
    SpoolerWatch()
        : m_thread([this] {
              while (!m_stop) {
                  if (SpoolerService::Now().state != SERVICE_RUNNING)
                      m_interrupted = true;
                  ::Sleep(5);
              }
          }) {}
    ~SpoolerWatch() { Stop(); }
    bool Interrupted() {
        Stop();
        return m_interrupted;
    }

private:
    void Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_interrupted{false};
    std::thread m_thread;
};

class SetupE2E : public ::testing::Test {
protected:
    void SetUp() override {
        dist = DistDirectory();
        ASSERT_TRUE(FileExists(dist + L"\\Setup.exe"));
    }
    std::wstring dist;
};

} // namespace

TEST_F(SetupE2E, InstallsThePreselectedModelOnTheFirstParallelPort) {
    const std::wstring printer = NextPrinterName(L"Korvane KV-8200");
    const InstallLogSince log;
    SetupRun run(dist);
    ASSERT_TRUE(run.Started());
    HWND wizard = run.WaitWizard();
    ASSERT_NE(nullptr, wizard);

    // Model page: the catalogue's models, sorted, the first one chosen (no printer answers here).
    HWND models = ::GetDlgItem(wizard, kModelList);
    ASSERT_TRUE(WaitFor([&] { return ::SendMessageW(models, LB_GETCOUNT, 0, 0) == 5; }));
    EXPECT_EQ(
        (std::vector<std::wstring>{L"Korvane KV-8200", L"Korvane KV-8230", L"Korvane KV-8250 OLI",
                                   L"Korvane KV-8260", L"Korvane KV-8280"}),
        ListRows(models));
    EXPECT_EQ(0, ::SendMessageW(models, LB_GETCURSEL, 0, 0));
    EXPECT_FALSE(Visible(wizard, kBack));
    EXPECT_FALSE(Visible(wizard, kFinish));
    EXPECT_FALSE(Visible(wizard, kPortList));
    EXPECT_FALSE(Visible(wizard, kProgress));
    EXPECT_TRUE(Visible(wizard, kNext));

    // Port page: the spooler's ports in its order, the first parallel port chosen.
    Click(wizard, kNext);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kPortList); }));
    HWND ports = ::GetDlgItem(wizard, kPortList);
    const std::vector<std::wstring> rows = ListRows(ports);
    ASSERT_FALSE(rows.empty());
    const LRESULT chosen = ::SendMessageW(ports, LB_GETCURSEL, 0, 0);
    ASSERT_NE(LB_ERR, chosen);
    EXPECT_EQ(L"LPT1:", rows[static_cast<size_t>(chosen)]);
    for (LRESULT i = 0; i < chosen; ++i)
        EXPECT_EQ(std::wstring::npos, rows[static_cast<size_t>(i)].find(L"LPT"));

    // Confirmation page, then the install page with its bar.
    Click(wizard, kNext);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kFinish); }));
    EXPECT_FALSE(Visible(wizard, kNext));
    Click(wizard, kFinish);
    if (!WholeRouteRunsHere()) {
        // On Windows the 64-bit spooler service loads the 64-bit monitor; under Wine the
        // monitor is refused: the error dialog shows code 5, and no queue is left behind.
        HWND error = run.WaitChild(kErrorOk);
        ASSERT_NE(nullptr, error);
        EXPECT_EQ(L"安装失败 错误代码：5", TextOf(error));
        Click(error, kErrorOk);
        ASSERT_TRUE(run.WaitEnd());
        EXPECT_FALSE(PrinterExists(printer));
        ExpectInstallSteps(log.Records(), printer, false);
        return;
    }
    HWND box = run.WaitWindow([](HWND w) { return ::GetDlgItem(w, 0xFFFF) != nullptr; });
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"驱动安装成功", TextOf(::GetDlgItem(box, 0xFFFF)));
    Click(box, IDOK);
    ASSERT_TRUE(run.WaitEnd());

    // The queue on the chosen port with its own driver, the model's data file and the monitor.
    HANDLE handle = nullptr;
    ASSERT_TRUE(::OpenPrinterW(const_cast<wchar_t*>(printer.c_str()), &handle, nullptr));
    DWORD needed = 0;
    ::GetPrinterW(handle, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    ASSERT_TRUE(::GetPrinterW(handle, 2, info.data(), needed, &needed));
    const auto* queue = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    EXPECT_STREQ(L"LPT1:", queue->pPortName);
    EXPECT_EQ(printer, queue->pDriverName);
    ::GetPrinterDriverW(handle, nullptr, 3, nullptr, 0, &needed);
    std::vector<BYTE> driverInfo(needed);
    ASSERT_TRUE(::GetPrinterDriverW(handle, nullptr, 3, driverInfo.data(), needed, &needed));
    const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(driverInfo.data());
    EXPECT_NE(nullptr, wcsstr(driver->pDataFile, L"KV-8200.GPD"));
    EXPECT_STREQ(L"Korvane Language Monitor", driver->pMonitorName);
    ::ClosePrinter(handle);

    // Files where the installation put them.
    const std::wstring drivers = DriverDirectory();
    for (const wchar_t* file : {L"QVMLMN.dll", L"QTLM24RES.DLL", L"KV-8200.GPD", L"PrnSet.ini"})
        EXPECT_TRUE(FileExists(drivers + L"\\" + file)) << file;
    const std::wstring product = SpecialFolder(CSIDL_PROGRAM_FILESX86) + L"\\Vantrel打印机\\";
    EXPECT_TRUE(FileExists(product + L"产品手册\\使用手册.txt"));
    EXPECT_TRUE(FileExists(product + L"工具集\\下载说明.txt")) << "tool subfolders are flattened";
    EXPECT_FALSE(FileExists(product + L"工具集\\driver.cat"));
    EXPECT_TRUE(FileExists(product + L"卸载说明.txt"));
    const std::wstring menu = SpecialFolder(CSIDL_PROGRAMS) + L"\\Vantrel打印机\\";
    EXPECT_TRUE(FileExists(menu + L"产品手册\\使用手册.lnk"));
    EXPECT_TRUE(FileExists(menu + L"卸载说明.lnk"));
    // A user's run: nothing in the common Programs folder, nor in the Start menu's root, which
    // Windows 10 and 11 do not list.
    for (int place : {CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU})
        EXPECT_FALSE(FileExists(SpecialFolder(place) + L"\\Vantrel打印机\\卸载说明.lnk")) << place;
    EXPECT_TRUE(FileExists(SpecialFolder(CSIDL_FONTS) + L"\\DejaVuSansMono.ttf"));
    // The font is registered, not only copied.
    wchar_t fontFile[MAX_PATH] = L"";
    DWORD fontFileBytes = sizeof(fontFile);
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegGetValueW(HKEY_LOCAL_MACHINE,
                             L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                             L"DejaVu Sans Mono (TrueType)", RRF_RT_REG_SZ, nullptr, fontFile,
                             &fontFileBytes));
    EXPECT_STREQ(L"DejaVuSansMono.ttf", fontFile);
    // Only font files go into the Fonts folder, not the licence beside the font.
    EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_FONTS) + L"\\DejaVu-LICENSE.txt"));
#if SAMPLES_CJK_FONT_SHIPPED
    // The CJK collection too, under both its faces' names.
    fontFileBytes = sizeof(fontFile);
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegGetValueW(HKEY_LOCAL_MACHINE,
                             L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                             L"WenQuanYi Micro Hei & WenQuanYi Micro Hei Mono (TrueType)",
                             RRF_RT_REG_SZ, nullptr, fontFile, &fontFileBytes));
    EXPECT_STREQ(L"wqy-microhei.ttc", fontFile);
    EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_FONTS) + L"\\wqy-microhei-LICENSE.txt"));
#endif

    ExpectInstallSteps(log.Records(), printer, true);
}

TEST_F(SetupE2E, EveryRunAddsTheNextCopy) {
    if (!WholeRouteRunsHere())
        GTEST_SKIP() << "no queue is installed by the 32-bit installer on 64-bit Wine";
    const std::wstring base = L"Korvane KV-8200";
    const bool baseTaken = PrinterExists(base);
    std::vector<std::wstring> installed;
    for (int i = 0; i < 2; ++i) {
        const std::wstring expected = NextPrinterName(base);
        const InstallLogSince log;
        SetupRun run(dist);
        HWND wizard = run.WaitWizard();
        ASSERT_NE(nullptr, wizard);
        // The installer's start-up makes sure the spooler runs; from then on a repeated install,
        // whose language monitor is the one installed, never stops it.
        ASSERT_TRUE(WaitFor([] { return SpoolerService::Now().state == SERVICE_RUNNING; }));
        const DWORD spoolerProcess = SpoolerService::Now().process;
        std::wstring message;
        bool interrupted = false;
        {
            SpoolerWatch watch;
            message = InstallThroughTheWizard(run, wizard);
            interrupted = watch.Interrupted();
        }
        EXPECT_EQ(L"驱动安装成功", message);
        EXPECT_TRUE(PrinterExists(expected)) << i;
        installed.push_back(expected);
        const std::vector<std::wstring> records = log.Records();
        ExpectInstallSteps(records, expected, true);
        if (i == 1) {
            EXPECT_FALSE(interrupted) << "the spooler was stopped";
            EXPECT_EQ(spoolerProcess, SpoolerService::Now().process) << "the spooler restarted";
            EXPECT_NE(-1, FindRecord(records,
                                     L"语言监视器未改变，保留已安装的 Korvane Language Monitor"));
        }
    }
    if (!baseTaken) {
        EXPECT_EQ(base, installed[0]);
        EXPECT_EQ(base + L" (副本 1)", installed[1]);
    } else {
        EXPECT_NE(std::wstring::npos, installed[1].find(L" (副本 "));
    }
}

TEST_F(SetupE2E, CancelAsksFirst) {
    SetupRun run(dist);
    HWND wizard = run.WaitWizard();
    ASSERT_NE(nullptr, wizard);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kModelList); }));
    Click(wizard, kNext);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kPortList); }));

    Click(wizard, kCancel);
    HWND box = run.WaitChild(kNo);
    ASSERT_NE(nullptr, box);
    Click(box, kNo);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    ::Sleep(300);
    EXPECT_FALSE(run.Ended());
    EXPECT_TRUE(Visible(wizard, kPortList)) << "declining keeps the page";

    Click(wizard, kCancel);
    box = run.WaitChild(kYes);
    ASSERT_NE(nullptr, box);
    Click(box, kYes);
    EXPECT_TRUE(run.WaitEnd());
    EXPECT_EQ(1602u, run.ExitCode()) << "closed by the user before the install";
}

TEST_F(SetupE2E, MissingCatalogueShowsCodeOneAndEnds) {
    const std::wstring copy = MakeScratchFolder(L"e2e-no-catalogue");
    ASSERT_TRUE(::CopyFileW((dist + L"\\Setup.exe").c_str(), (copy + L"Setup.exe").c_str(), FALSE));
    SetupRun run(copy.substr(0, copy.size() - 1));
    HWND error = run.WaitChild(kErrorOk);
    ASSERT_NE(nullptr, error);
    EXPECT_EQ(L"安装失败 错误代码：1", TextOf(error));
    Click(error, kErrorOk);
    EXPECT_TRUE(run.WaitEnd());
    EXPECT_EQ(1619u, run.ExitCode()) << "the distribution cannot be read";
}

std::string Utf16Of(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}
std::wstring CatalogueWith(const std::wstring& counts, const std::vector<std::wstring>& models) {
    std::wstring text =
        L"[VID_PID]\r\nVID=vid_d23c\r\nPID=pid_0001\r\n[82列票据打印机]\r\nCounts=" + counts +
        L"\r\n";
    for (size_t i = 0; i < models.size(); ++i)
        text += std::to_wstring(i) + L"=" + models[i] + L"\r\n";
    return text;
}

// A distribution folder made by the test: Setup.exe and the catalogue's bytes, in `folder`
// (ending with a backslash).
void PutDistribution(const std::wstring& folder, const std::wstring& dist,
                     const std::string& catalogue) {
    ASSERT_TRUE(
        ::CopyFileW((dist + L"\\Setup.exe").c_str(), (folder + L"Setup.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(folder + L"PrinterInfo.ini", catalogue));
}

// A folder so deep that Setup.exe's path fits in 260 characters and the catalogue's does not.
std::wstring MakeDeepFolder() {
    std::wstring folder = MakeScratchFolder(L"e2e-deep");
    const size_t wanted = 260 - 9 - 3; // "Setup.exe" fits, "PrinterInfo.ini" passes 260
    while (folder.size() < wanted) {
        const size_t part = std::min<size_t>(60, wanted - folder.size() - 1);
        folder += std::wstring(part, L'd') + L"\\";
        ::CreateDirectoryW(folder.c_str(), nullptr);
    }
    return folder;
}

// Broken catalogues as users meet them: one that cannot be read or reads as empty shows code "1"
// and leaves its path in the log; one saved as UTF-8 lists its models; names that cannot be
// printer names are left out, repeated ones listed once, surplus ones counted in the log.
TEST_F(SetupE2E, BrokenCataloguesAreToldOrMended) {
    std::string binary;
    for (int i = 0; i < 2048; ++i)
        binary.push_back(static_cast<char>((i * 131 + 7) % 256));
    const std::vector<std::wstring> shipped = {L"KV-8200", L"KV-8230", L"KV-8250 OLI", L"KV-8260",
                                               L"KV-8280"};
    std::vector<std::wstring> many;
    for (int i = 0; i < 10000; ++i)
        many.push_back(L"M-" + std::to_wstring(10000 + i));
    const struct {
        const char* what;
        std::string bytes;
        bool deep;
        int count;                         // rows listed; 0: code "1"
        std::vector<std::wstring> rows;    // the rows, when they are few
        std::vector<std::wstring> records; // record starts, in order; "<path>" is the catalogue's
    } cases[] = {
        {"empty file",
         "",
         false,
         0,
         {},
         {L"产品目录中没有 [82列票据打印机] 的型号（Counts=0）：<path>"}},
        {"binary file",
         binary,
         false,
         0,
         {},
         {L"产品目录中没有 [82列票据打印机] 的型号（Counts=0）：<path>"}},
        {"Counts=-5",
         Utf16Of(CatalogueWith(L"-5", shipped)),
         false,
         0,
         {},
         {L"产品目录中没有 [82列票据打印机] 的型号（Counts=-5）：<path>"}},
        {"path over 260 characters",
         Utf16Of(CatalogueWith(L"5", shipped)),
         true,
         0,
         {},
         {L"产品目录的路径过长或不在文件夹中：<path>"}},
        {"UTF-8 without byte-order mark",
         Utf8Of(CatalogueWith(L"5", shipped)),
         false,
         5,
         {L"Korvane KV-8200", L"Korvane KV-8230", L"Korvane KV-8250 OLI", L"Korvane KV-8260",
          L"Korvane KV-8280"},
         {}},
        {"unusable and repeated names",
         Utf8Of(CatalogueWith(L"7", {L"..\\..\\", L"KV:8200", L"KV-8200", L"\"KV-8200\"",
                                     std::wstring(300, L'L'), L"nul", L"KV-8230"})),
         false,
         2,
         {L"Korvane KV-8200", L"Korvane KV-8230"},
         {L"型号 \"..\\..\\\" 未列出：", L"型号 \"KV:8200\" 未列出：",
          L"型号 \"KV-8200\" 未列出：与前面的型号重复",
          L"型号 \"" + std::wstring(127, L'L') + L"\" 未列出：", L"型号 \"nul\" 未列出："}},
        {"10 000 models",
         Utf16Of(CatalogueWith(L"10000", many)),
         false,
         512,
         {},
         {L"产品目录列出 10000 个型号，只能显示前 512 个，未列出 9488 个"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring folder = c.deep ? MakeDeepFolder() : MakeScratchFolder(L"e2e-catalogue");
        PutDistribution(folder, dist, c.bytes);
        const std::wstring path = folder + L"PrinterInfo.ini";
        const InstallLogSince log;
        SetupRun run(folder.substr(0, folder.size() - 1));
        ASSERT_TRUE(run.Started());
        const bool listed = c.count > 0;
        if (!listed) {
            HWND error = run.WaitChild(kErrorOk);
            ASSERT_NE(nullptr, error);
            EXPECT_EQ(L"安装失败 错误代码：1", TextOf(error));
            Click(error, kErrorOk);
            EXPECT_TRUE(run.WaitEnd());
        } else {
            HWND wizard = run.WaitWizard();
            ASSERT_NE(nullptr, wizard);
            HWND models = ::GetDlgItem(wizard, kModelList);
            ASSERT_TRUE(WaitFor([&] { return ::SendMessageW(models, LB_GETCOUNT, 0, 0) > 0; }));
            EXPECT_EQ(c.count, ::SendMessageW(models, LB_GETCOUNT, 0, 0));
            if (!c.rows.empty()) {
                EXPECT_EQ(c.rows, ListRows(models));
            }
            ::PostMessageW(wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
            EXPECT_TRUE(run.WaitEnd());
        }
        const std::vector<std::wstring> records = log.Records();
        int at = 0;
        for (std::wstring record : c.records) {
            const size_t mark = record.find(L"<path>");
            if (mark != std::wstring::npos)
                record.replace(mark, 6, path);
            const int found = FindRecord(records, record, at);
            EXPECT_NE(-1, found) << "missing or out of order: " << record;
            if (found >= 0)
                at = found + 1;
        }
        if (!listed) {
            EXPECT_NE(-1, FindRecord(records, L"安装失败 错误代码：1", at));
        }
        RemoveTree(c.deep ? MakeScratchFolder(L"e2e-deep") : folder);
    }
}

TEST_F(SetupE2E, SecondCopyBringsTheRunningWizardForward) {
    SetupRun first(dist);
    HWND wizard = first.WaitWizard();
    ASSERT_NE(nullptr, wizard);
    SetupRun second(dist);
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.WaitEnd()) << "the second copy ends by itself";
    EXPECT_EQ(nullptr, second.FindWindowWhere([](HWND) { return true; }));
    EXPECT_FALSE(first.Ended());
    Click(wizard, kCancel);
    HWND box = first.WaitChild(kYes);
    ASSERT_NE(nullptr, box);
    Click(box, kYes);
    EXPECT_TRUE(first.WaitEnd());
}

TEST_F(SetupE2E, KeysMoveBetweenPagesAndNeverEndTheWizard) {
    SetupRun run(dist);
    HWND wizard = run.WaitWizard();
    ASSERT_NE(nullptr, wizard);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kModelList); }));
    auto key = [&](UINT message, WPARAM virtualKey) {
        HWND focus = ::GetDlgItem(wizard, kModelList);
        ::PostMessageW(focus, message, virtualKey, message == WM_SYSKEYDOWN ? (1 << 29) : 0);
        ::Sleep(400);
    };
    key(WM_SYSKEYDOWN, 'B'); // nothing before the model page
    EXPECT_TRUE(Visible(wizard, kModelList));
    key(WM_KEYDOWN, VK_ESCAPE);
    key(WM_KEYDOWN, VK_RETURN);
    EXPECT_FALSE(run.Ended());
    EXPECT_TRUE(Visible(wizard, kModelList));
    key(WM_SYSKEYDOWN, 'N');
    EXPECT_TRUE(WaitFor([&] { return Visible(wizard, kPortList); }));
    key(WM_SYSKEYDOWN, 'B');
    EXPECT_TRUE(WaitFor([&] { return Visible(wizard, kModelList); }));
    // The system menu's Close needs no confirmation before the installation starts.
    ::PostMessageW(wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(run.WaitEnd());
}

TEST_F(SetupE2E, CloseIsRefusedWhileTheJobRuns) {
    if (!WholeRouteRunsHere())
        GTEST_SKIP() << "no queue is installed by the 32-bit installer on 64-bit Wine";
    const std::wstring printer = NextPrinterName(L"Korvane KV-8200");
    SetupRun run(dist);
    HWND wizard = run.WaitWizard();
    ASSERT_NE(nullptr, wizard);
    Click(wizard, kNext);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kPortList); }));
    Click(wizard, kNext);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kFinish); }));
    Click(wizard, kFinish);
    // Close, Alt+F4 and keys arrive while the job works: none of them ends or moves the wizard.
    ::PostMessageW(wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
    ::PostMessageW(wizard, WM_CLOSE, 0, 0);
    ::PostMessageW(::GetDlgItem(wizard, kProgress), WM_SYSKEYDOWN, 'B', 1 << 29);
    HWND box = run.WaitWindow([](HWND w) { return ::GetDlgItem(w, 0xFFFF) != nullptr; });
    ASSERT_NE(nullptr, box) << "the job finished and reported";
    EXPECT_EQ(L"驱动安装成功", TextOf(::GetDlgItem(box, 0xFFFF)));
    Click(box, IDOK);
    EXPECT_TRUE(run.WaitEnd());
    EXPECT_TRUE(PrinterExists(printer));
}

namespace {

// The wizard's own message box (a "#32770" with the static 0xFFFF) with its text and owner, after
// which its OK button is pressed and the box awaited gone.
struct Box {
    std::wstring text;
    HWND owner = nullptr;
    bool ownerEnabled = true;
};

Box AnswerMessageBox(SetupRun& run) {
    Box seen;
    HWND box = run.WaitWindow([](HWND w) { return ::GetDlgItem(w, 0xFFFF) != nullptr; });
    if (box == nullptr)
        return seen;
    seen.text = TextOf(::GetDlgItem(box, 0xFFFF));
    seen.owner = ::GetWindow(box, GW_OWNER);
    seen.ownerEnabled = seen.owner != nullptr && ::IsWindowEnabled(seen.owner);
    Click(box, IDOK);
    WaitFor([&] { return !::IsWindow(box); });
    return seen;
}

void PressAltN(HWND wizard, bool held) {
    // Bit 29: Alt is down; bit 30: the key was down before (the keyboard's auto-repeat).
    const LPARAM lParam = (1 << 29) | (held ? (1 << 30) : 0);
    ::PostMessageW(::GetDlgItem(wizard, kModelList), WM_SYSKEYDOWN, 'N', lParam);
}

void CloseBySystemMenu(SetupRun& run, HWND wizard) {
    ::PostMessageW(wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(run.WaitEnd());
}

} // namespace

// The port page is not left without a chosen port: Next and Alt+N say so in a box owned by the
// wizard, and the page stays; nothing is installed.
TEST_F(SetupE2E, PortPageIsNotLeftWithoutAPort) {
    SetupRun run(dist);
    HWND wizard = run.WaitWizard();
    ASSERT_NE(nullptr, wizard);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kModelList); }));
    Click(wizard, kNext);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kPortList); }));
    HWND ports = ::GetDlgItem(wizard, kPortList);
    ::SendMessageW(ports, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);

    for (const char* how : {"next button", "Alt+N"}) {
        SCOPED_TRACE(how);
        if (std::string(how) == "Alt+N")
            ::PostMessageW(ports, WM_SYSKEYDOWN, 'N', 1 << 29);
        else
            Click(wizard, kNext);
        const Box box = AnswerMessageBox(run);
        EXPECT_EQ(L"请选择打印机连接的端口。", box.text);
        EXPECT_EQ(wizard, box.owner);
        EXPECT_FALSE(box.ownerEnabled) << "the wizard takes no click while the box shows";
        ::Sleep(300);
        EXPECT_TRUE(Visible(wizard, kPortList)) << "still on the port page";
        EXPECT_FALSE(Visible(wizard, kFinish));
    }
    // With a port chosen the page is left as before.
    ::SendMessageW(ports, LB_SETCURSEL, 0, 0);
    Click(wizard, kNext);
    EXPECT_TRUE(WaitFor([&] { return Visible(wizard, kFinish); }));
    CloseBySystemMenu(run, wizard);
}

// A held Alt+N repeats its key message; only the first press moves, so the wizard never runs
// past the confirmation page into the installation.
TEST_F(SetupE2E, HeldAltNMovesOnePagePerPress) {
    SetupRun run(dist);
    HWND wizard = run.WaitWizard();
    ASSERT_NE(nullptr, wizard);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kModelList); }));
    PressAltN(wizard, false);
    for (int i = 0; i < 5; ++i)
        PressAltN(wizard, true);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kPortList); }));
    ::Sleep(800);
    EXPECT_TRUE(Visible(wizard, kPortList)) << "the repeats moved no further";
    PressAltN(wizard, false);
    for (int i = 0; i < 5; ++i)
        PressAltN(wizard, true);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kFinish); }));
    ::Sleep(800);
    EXPECT_TRUE(Visible(wizard, kFinish)) << "still on the confirmation page";
    EXPECT_FALSE(Visible(wizard, kProgress)) << "no installation started";
    CloseBySystemMenu(run, wizard);
}

// A catalogue that lists no model: Next says why, in a box owned by the wizard, and the model
// page stays.
TEST_F(SetupE2E, EmptyCatalogueSaysWhyOnNext) {
    const std::wstring copy = MakeScratchFolder(L"e2e-empty-catalogue");
    ASSERT_TRUE(::CopyFileW((dist + L"\\Setup.exe").c_str(), (copy + L"Setup.exe").c_str(), FALSE));
    {
        // UTF-16LE with its byte-order mark, as the real catalogue is saved. It lists models, but
        // none whose name can be a printer name, so the list stays empty (a catalogue that lists
        // none at all is error "1").
        const std::wstring text =
            L"\xFEFF[82列票据打印机]\r\nCounts=2\r\n0=KV\\8200\r\n1=KV:8230\r\n";
        HANDLE file = ::CreateFileW((copy + L"PrinterInfo.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
                    nullptr);
        ::CloseHandle(file);
    }
    SetupRun run(copy.substr(0, copy.size() - 1));
    HWND wizard = run.WaitWizard();
    ASSERT_NE(nullptr, wizard);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kModelList); }));
    EXPECT_EQ(0, ::SendMessageW(::GetDlgItem(wizard, kModelList), LB_GETCOUNT, 0, 0));
    Click(wizard, kNext);
    const Box box = AnswerMessageBox(run);
    EXPECT_EQ(L"PrinterInfo.ini 中没有打印机型号，无法继续安装。请联系设备厂家获取技术支持。",
              box.text);
    EXPECT_EQ(wizard, box.owner);
    ::Sleep(300);
    EXPECT_TRUE(Visible(wizard, kModelList));
    EXPECT_FALSE(Visible(wizard, kPortList));
    CloseBySystemMenu(run, wizard);
}

// The running wizard is found from its window's first moment, before it has a title: here while
// the catalogue's error "1" shows (the wizard still hidden behind it). The second copy brings that
// error dialog to the front and ends.
TEST_F(SetupE2E, SecondCopyFindsTheWizardWhileItsErrorShows) {
    const std::wstring copy = MakeScratchFolder(L"e2e-second-copy-no-catalogue");
    ASSERT_TRUE(::CopyFileW((dist + L"\\Setup.exe").c_str(), (copy + L"Setup.exe").c_str(), FALSE));
    SetupRun first(copy.substr(0, copy.size() - 1));
    HWND error = first.WaitChild(kErrorOk);
    ASSERT_NE(nullptr, error);

    // Something else is in front when the second copy starts.
    HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 80, 80,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, other);
    ::SetForegroundWindow(other);
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == other; }, 5000));

    SetupRun second(dist);
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.WaitEnd()) << "the second copy ends by itself";
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == error; }, 5000))
        << "the first copy's error dialog is in front";
    EXPECT_FALSE(first.Ended());
    ::DestroyWindow(other);
    Click(error, kErrorOk);
    EXPECT_TRUE(first.WaitEnd());
}

TEST_F(SetupE2E, SwitchesWithoutQuietOpenTheWizardWithTheirRowsChosen) {
    SetupRun run(dist, L"/model KV-8260 -PORT:COM2:");
    HWND wizard = run.WaitWizard();
    ASSERT_NE(nullptr, wizard);
    HWND models = ::GetDlgItem(wizard, kModelList);
    ASSERT_TRUE(WaitFor([&] { return ::SendMessageW(models, LB_GETCOUNT, 0, 0) == 5; }));
    const LRESULT model = ::SendMessageW(models, LB_GETCURSEL, 0, 0);
    ASSERT_NE(LB_ERR, model);
    EXPECT_EQ(L"Korvane KV-8260", win::ListBoxText(models, model));
    Click(wizard, kNext);
    ASSERT_TRUE(WaitFor([&] { return Visible(wizard, kPortList); }));
    HWND ports = ::GetDlgItem(wizard, kPortList);
    const LRESULT port = ::SendMessageW(ports, LB_GETCURSEL, 0, 0);
    ASSERT_NE(LB_ERR, port);
    EXPECT_EQ(L"COM2:", win::ListBoxText(ports, port));

    Click(wizard, kCancel);
    HWND box = run.WaitChild(kYes);
    ASSERT_NE(nullptr, box);
    Click(box, kYes);
    EXPECT_TRUE(run.WaitEnd());
    EXPECT_EQ(1602u, run.ExitCode());
}
