// Setup.exe driven from outside its process, as a user would: by window titles, control IDs and
// messages. Then what the installation left in the system is checked.
#include "tests/support/test_paths.h"
#include "win/window.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <winspool.h>

#include <functional>
#include <string>
#include <vector>

using namespace testing_support;

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
    explicit SetupRun(const std::wstring& folder) {
        const std::wstring exe = folder + L"\\Setup.exe";
        std::wstring commandLine = L"\"" + exe + L"\"";
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

bool PrinterExists(const std::wstring& name) {
    HANDLE printer = nullptr;
    if (!::OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, nullptr))
        return false;
    ::ClosePrinter(printer);
    return true;
}

// The first free name of "Korvane KV-8200" and its copies, as the installer will choose it.
std::wstring NextPrinterName(const std::wstring& base) {
    std::wstring name = base;
    for (int n = 1; PrinterExists(name); ++n)
        name = base + L" (副本 " + std::to_wstring(n) + L")";
    return name;
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
    return message;
}

// Whether this Windows runs the whole route for the installer's own bitness: a 64-bit installer,
// or a 32-bit one on 32-bit Windows. A 32-bit installer on 64-bit Windows stages the 64-bit
// package, whose language monitor Wine's in-process spooler cannot load into a 32-bit process.
bool WholeRouteRunsHere() {
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || !::IsWow64Process(::GetCurrentProcess(), &wow64) || !wow64;
}

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
    const std::wstring menu = SpecialFolder(CSIDL_STARTMENU) + L"\\Vantrel打印机\\";
    EXPECT_TRUE(FileExists(menu + L"产品手册\\使用手册.lnk"));
    EXPECT_TRUE(FileExists(menu + L"卸载说明.lnk"));
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
}

TEST_F(SetupE2E, EveryRunAddsTheNextCopy) {
    if (!WholeRouteRunsHere())
        GTEST_SKIP() << "no queue is installed by the 32-bit installer on 64-bit Wine";
    const std::wstring base = L"Korvane KV-8200";
    const bool baseTaken = PrinterExists(base);
    std::vector<std::wstring> installed;
    for (int i = 0; i < 2; ++i) {
        const std::wstring expected = NextPrinterName(base);
        SetupRun run(dist);
        HWND wizard = run.WaitWizard();
        ASSERT_NE(nullptr, wizard);
        EXPECT_EQ(L"驱动安装成功", InstallThroughTheWizard(run, wizard));
        EXPECT_TRUE(PrinterExists(expected)) << i;
        installed.push_back(expected);
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
        // UTF-16LE with its byte-order mark, as the real catalogue is saved.
        const std::wstring text = L"\xFEFF[82列票据打印机]\r\nCounts=0\r\n";
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
