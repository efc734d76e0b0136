// The USB printer's port number, found among USB printing interfaces made present through the
// registry, and the message shown when the system gives no interface list.
#include "discovery/device_info_set.h"
#include "discovery/usb_port.h"
#include "tests/discovery/device_bench.h"
#include "tests/discovery/fake_discovery.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace discovery;
using namespace discovery_testing;

namespace {

struct Printer {
    const wchar_t* instanceId;
    long long portNumber; // negative: no "Port Number" value
};

const wchar_t kDefaultFilter[] = L"vid_d23c&pid_0001";

class UsbPrinterPort : public ::testing::Test {
protected:
    void TearDown() override { g_strPrinterHardwareId = kDefaultFilter; }
};

} // namespace

TEST_F(UsbPrinterPort, DefaultFilterIsTheMakersPrinter) {
    EXPECT_EQ(kDefaultFilter, g_strPrinterHardwareId);
}

// The bench is 64-bit Windows of the NT 6 family, for both builds.
TEST_F(UsbPrinterPort, OperatingSystemClassOfTheBench) {
    EXPECT_EQ(4, GetOsClass());
}

TEST_F(UsbPrinterPort, NumberOfTheMakersPrinter) {
    struct Case {
        const char* what;
        std::vector<Printer> printers; // in the order the setup library lists them
        const wchar_t* filter;
        DWORD number;
    } cases[] = {
        {"no USB printer", {}, kDefaultFilter, 0},
        {"the maker's printer", {{L"USB\\VID_D23C&PID_0001\\KV0001", 7}}, kDefaultFilter, 7},
        {"another vendor's printer only",
         {{L"USB\\VID_1A2B&PID_0410\\KV0001", 5}},
         kDefaultFilter,
         0},
        // Device paths are lower case; the filter is compared case-sensitively.
        {"upper-case filter", {{L"USB\\VID_D23C&PID_0001\\KV0001", 7}}, L"VID_D23C&PID_0001", 0},
        {"two of the maker's printers: the last one listed",
         {{L"USB\\VID_D23C&PID_0001\\KV0001", 1}, {L"USB\\VID_D23C&PID_0001\\KV0002", 3}},
         kDefaultFilter,
         3},
        {"another vendor's printer listed after the maker's",
         {{L"USB\\VID_D23C&PID_0001\\KV0001", 2}, {L"USB\\VID_F00D&PID_0001\\X1", 9}},
         kDefaultFilter,
         2},
        {"no Port Number", {{L"USB\\VID_D23C&PID_0001\\KV0001", -1}}, kDefaultFilter, 0},
        // A matching printer whose number cannot be read makes the answer unknown, even after
        // an earlier number.
        {"the last matching printer has no Port Number",
         {{L"USB\\VID_D23C&PID_0001\\KV0001", 1}, {L"USB\\VID_D23C&PID_0001\\KV0002", -1}},
         kDefaultFilter,
         0},
        {"filter from the catalogue",
         {{L"USB\\VID_D23C&PID_0002\\KV0001", 12}},
         L"vid_d23c&pid_0002",
         12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceBench bench;
        std::vector<std::wstring> paths;
        for (const Printer& p : c.printers)
            paths.push_back(bench.AddUsbPrinter(p.instanceId, p.portNumber));
        // The expectations rely on the order the setup library lists the printers in.
        ASSERT_EQ(paths, PresentInterfacePaths(kUsbPrintInterface));
        g_strPrinterHardwareId = c.filter;
        EXPECT_EQ(c.number, FindUsbPrinterPortNumber());
    }
    // The bench took its printers away again.
    EXPECT_TRUE(PresentInterfacePaths(kUsbPrintInterface).empty());
}

namespace {

struct MessageBoxSeen {
    std::wstring text;
    bool errorIcon = false;
    HWND owner = nullptr;
    bool ownerEnabled = true; // while the box showed
};

BOOL CALLBACK FindMessageBox(HWND window, LPARAM param) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    wchar_t className[32] = L"";
    ::GetClassNameW(window, className, 32);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window) ||
        std::wstring(className) != L"#32770")
        return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

BOOL CALLBACK FindErrorIcon(HWND child, LPARAM param) {
    const HICON error = ::LoadIconW(nullptr, IDI_ERROR);
    if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0)) == error) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

// Answers the first message box of the process with its OK button, as a user would.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer() : m_thread([this] { Run(); }) {}
    ~MessageBoxAnswerer() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    std::vector<MessageBoxSeen> Seen() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_seen;
    }

private:
    void Run() {
        while (!m_stop) {
            HWND box = nullptr;
            ::EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&box));
            if (box != nullptr) {
                MessageBoxSeen seen;
                wchar_t text[256] = L"";
                ::GetDlgItemTextW(box, 0xFFFF, text, 256);
                seen.text = text;
                seen.owner = ::GetWindow(box, GW_OWNER);
                seen.ownerEnabled = seen.owner != nullptr && ::IsWindowEnabled(seen.owner);
                ::EnumChildWindows(box, FindErrorIcon, reinterpret_cast<LPARAM>(&seen.errorIcon));
                m_seen.push_back(seen);
                ::SendMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
                while (::IsWindow(box) && !m_stop)
                    ::Sleep(10);
            }
            ::Sleep(20);
        }
    }
    std::atomic<bool> m_stop{false};
    std::vector<MessageBoxSeen> m_seen;
    std::thread m_thread;
};

} // namespace

// The system gives no list of USB printing interfaces: the user is told, and the answer is 0.
// The box belongs to the window that asked, whether or not that window is in front: it stays
// disabled while the box shows, so no click reaches it in the middle of its page switch.
TEST_F(UsbPrinterPort, NoInterfaceListShowsAnErrorBoxOwnedByTheAskingWindow) {
    DeviceBench bench;
    bench.AddUsbPrinter(L"USB\\VID_D23C&PID_0001\\KV0001", 7);
    FakeDiscovery fake;
    fake.RefuseDeviceInfoSets(ERROR_NOT_ENOUGH_MEMORY);
    HWND asking = ::CreateWindowExW(0, L"STATIC", L"asking", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                    nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, asking);
    HWND front = ::CreateWindowExW(0, L"STATIC", L"front", WS_POPUP | WS_VISIBLE, 60, 0, 50, 50,
                                   nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(front); // the asking window is not the active one
    std::vector<MessageBoxSeen> seen;
    {
        MessageBoxAnswerer answerer;
        EXPECT_EQ(0u, FindUsbPrinterPortNumber(asking));
        seen = answerer.Seen();
    }
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"无法获取指定设备信息集!", seen[0].text);
    EXPECT_TRUE(seen[0].errorIcon);
    EXPECT_EQ(asking, seen[0].owner);
    EXPECT_FALSE(seen[0].ownerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(asking)) << "enabled again once the box is answered";
    ::DestroyWindow(front);
    ::DestroyWindow(asking);
}
