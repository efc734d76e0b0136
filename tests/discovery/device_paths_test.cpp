// Operating-system classes, registry key names of device paths, port and device names.
#include "discovery/device_paths.h"
#include "discovery/log_texts.h"

#include <gtest/gtest.h>

using namespace discovery;

TEST(DevicePaths, OperatingSystemClass) {
    struct Case {
        unsigned platform;
        unsigned major;
        bool native64;
        int osClass;
    } cases[] = {
        {1, 4, false, 0}, {1, 4, true, 0},                    // Windows 9x
        {2, 5, false, 1}, {2, 4, false, 1},  {2, 5, true, 2}, // NT 4, 2000, XP
        {2, 6, false, 3}, {2, 10, false, 3}, {2, 6, true, 4}, // Vista and later
        {2, 10, true, 4}, {0, 3, true, 1},   {3, 6, true, 1}, // Win32s, CE
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.osClass, OsClassOf(c.platform, c.major, c.native64))
            << c.platform << " " << c.major << " " << c.native64;
}

TEST(DevicePaths, RegistryFormOfADevicePath) {
    const std::wstring path =
        L"\\\\?\\usb#vid_d23c&pid_0001#kv0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    struct Case {
        std::wstring path;
        int osClass;
        std::wstring form;
    } cases[] = {
        {path, 4, L"\\##?#usb#vid_d23c&pid_0001#kv0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"},
        {path, 1, L"\\##?#usb#vid_d23c&pid_0001#kv0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"},
        // Windows 9x paths use "\.\"; an NT path stays as it is there.
        {path, 0, path},
        {L"\\\\.\\usb#vid_d23c&pid_0001#1", 0, L"\\##.#usb#vid_d23c&pid_0001#1"},
        {L"\\\\.\\usb#vid_d23c&pid_0001#1", 3, L"\\\\.\\usb#vid_d23c&pid_0001#1"},
        // Every occurrence, not only the first.
        {L"\\\\?\\a\\?\\b", 2, L"\\##?#a##?#b"},
        {L"", 4, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.form, RegistryFormOfDevicePath(c.path, c.osClass))
            << c.path << " " << c.osClass;
}

TEST(DevicePaths, PortNumberKeyOfAUsbPrinter) {
    EXPECT_EQ(
        L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
        L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"
        L"\\##?#usb#vid_d23c&pid_0001#kv0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"
        L"\\#\\Device Parameters",
        UsbPortNumberKeyName(
            L"\\\\?\\usb#vid_d23c&pid_0001#kv0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}", 4));
}

TEST(DevicePaths, PortNameOfAFriendlyName) {
    struct Case {
        const wchar_t* friendlyName;
        const wchar_t* port;
    } cases[] = {
        {L"ECP Printer Port (LPT1)", L"LPT1"},
        {L"Printer Port (LPT10)", L"LPT10"}, // not cut to LPT1, which is another port
        {L"Printer Port (LPT2)", L"LPT2"},
        {L"打印机端口 (LPT3)", L"LPT3"},
        {L"Port (LPT1) (LPT2)", L"LPT1"}, // the first "(LPT"
        {L"Printer Port (LPT", L"LPT"},   // cut off after the name
        {L"LPT1 Port", L"LPT1"},          // no "(LPT": the first four characters
        {L"LPT", L"LPT"},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.port, PortNameOfFriendlyName(c.friendlyName)) << c.friendlyName;
}

TEST(DevicePaths, FriendlyNameNamesThePort) {
    struct Case {
        const wchar_t* friendlyName;
        const wchar_t* port;
        bool named;
    } cases[] = {
        {L"ECP Printer Port (LPT1)", L"LPT1", true},
        {L"ecp printer port (lpt1)", L"LPT1", true}, // compared upper-cased
        {L"Printer Port (LPT2)", L"LPT1", false},
        {L"Printer Port (LPT10)", L"LPT1", false},
        {L"Printer Port (LPT10)", L"LPT10", true},
        {L"Port (LPT10) (LPT1)", L"LPT1", true},
        {L"ECP Printer Port (LPT1)", L"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.named, FriendlyNameNamesPort(c.friendlyName, c.port))
            << c.friendlyName << " " << c.port;
}

TEST(DevicePaths, DeviceNameOfAPrinterOnTheParallelPort) {
    struct Case {
        const wchar_t* instanceId;
        const wchar_t* name;
    } cases[] = {
        {L"LPTENUM\\KORVANERX-5208A3C\\1&2B7A0F3&0&LPT1.4", L"LPT1.4"},
        {L"LPTENUM\\KORVANERX-5208A3C\\LPT1.4", L"LPT1"}, // no '&': the port's own name
        {L"LPTENUM\\KORVANERX-5208A3C\\1&2B7A0F3&", L"LPT1"},
        {L"", L"LPT1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.name, DeviceNameOfInstanceId(c.instanceId, L"LPT1")) << c.instanceId;
    EXPECT_EQ(L"\\\\.\\LPT1.4", DeviceFileName(L"LPT1.4"));
    EXPECT_EQ(L"\\\\.\\LPT1", DeviceFileName(L"LPT1"));
}

TEST(DiscoveryLogTexts, ConfigurationManagerFailure) {
    EXPECT_EQ(L"CM_Locate_DevNode   failed:   d\n ",
              ConfigManagerFailureText(L"CM_Locate_DevNode", 0x0D));
    EXPECT_EQ(L"CM_Reenumerate_DevNode   failed:   13\n ",
              ConfigManagerFailureText(L"CM_Reenumerate_DevNode", 0x13));
    EXPECT_EQ(L"X   failed:   0\n ", ConfigManagerFailureText(L"X", 0));
    EXPECT_EQ(L"X   failed:   ffffffff\n ", ConfigManagerFailureText(L"X", 0xFFFFFFFFul));
}
