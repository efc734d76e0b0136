// The Plug and Play way against Wine's device tree: devices made present by the test, the real
// driver update with the sample package INF, and refusals injected where Wine never refuses.
#include "engine/package_locator.h"
#include "pnp/device_setup_api.h"
#include "pnp/pnp_installer.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/support/spooler_objects.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

using namespace testing_support;

namespace {

const GUID kPrinterClass = {
    0x4D36E979, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const wchar_t kFirstModelId[] = L"USBPRINT\\KorvaneKV-82004F3A";
const wchar_t kSecondModelId[] = L"USBPRINT\\KorvaneKV-82309C11";

// A root-enumerated device registered by the test, removed again at the end.
class TestDevice {
public:
    explicit TestDevice(const std::vector<std::wstring>& hardwareIds) {
        m_set = ::SetupDiCreateDeviceInfoList(&kPrinterClass, nullptr);
        m_data.cbSize = sizeof(m_data);
        std::wstring list;
        for (const std::wstring& id : hardwareIds)
            list += id + L'\0';
        list += L'\0';
        m_ok = m_set != INVALID_HANDLE_VALUE &&
               ::SetupDiCreateDeviceInfoW(m_set, L"Printer", &kPrinterClass, nullptr, nullptr,
                                          DICD_GENERATE_ID, &m_data) &&
               ::SetupDiSetDeviceRegistryPropertyW(
                   m_set, &m_data, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(list.data()),
                   static_cast<DWORD>(list.size() * sizeof(wchar_t))) &&
               ::SetupDiCallClassInstaller(DIF_REGISTERDEVICE, m_set, &m_data);
    }
    ~TestDevice() {
        if (m_ok)
            ::SetupDiCallClassInstaller(DIF_REMOVE, m_set, &m_data);
        if (m_set != INVALID_HANDLE_VALUE)
            ::SetupDiDestroyDeviceInfoList(m_set);
    }
    bool ok() const { return m_ok; }

private:
    HDEVINFO m_set = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA m_data{};
    bool m_ok = false;
};

// Removes every device whose hardware IDs include `id` (what a root install left behind).
int RemoveDevicesWithId(const std::wstring& id) {
    HDEVINFO set = ::SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    int removed = 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        wchar_t ids[2048] = {};
        if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, nullptr,
                                                 reinterpret_cast<BYTE*>(ids), sizeof(ids) - 4,
                                                 nullptr))
            continue;
        for (const wchar_t* p = ids; *p; p += wcslen(p) + 1) {
            if (id == p) {
                removed += ::SetupDiCallClassInstaller(DIF_REMOVE, set, &device) ? 1 : 0;
                break;
            }
        }
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return removed;
}

int DeviceCount() {
    HDEVINFO set = ::SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    int count = 0;
    while (::SetupDiEnumDeviceInfo(set, count, &device))
        ++count;
    ::SetupDiDestroyDeviceInfoList(set);
    return count;
}

// Counts driver updates and answers them as told (or passes them to the system).
std::atomic<int> g_updates{0};
std::atomic<int> g_updateAnswer{-1}; // -1: the system's answer, 0: refuse, 1: accept
std::atomic<DWORD> g_refusal{ERROR_NO_SUCH_DEVINST};
std::atomic<DWORD> g_flags{0};
BOOL WINAPI CountingUpdate(HWND owner, LPCWSTR id, LPCWSTR inf, DWORD flags, PBOOL reboot) {
    ++g_updates;
    g_flags = flags;
    if (g_updateAnswer == 0) {
        ::SetLastError(g_refusal);
        return FALSE;
    }
    if (g_updateAnswer == 1)
        return TRUE;
    pnp::SetDeviceSetupForTesting(nullptr);
    BOOL result =
        pnp::DeviceSetup().UpdateDriverForPlugAndPlayDevicesW(owner, id, inf, flags, reboot);
    return result;
}

class PnpInstall : public ::testing::Test {
protected:
    void SetUp() override {
        inf = DistDirectory() + L"\\24Pin\\X64\\24Pin.inf";
        ASSERT_TRUE(FileExists(inf));
        RemoveDevicesWithId(kFirstModelId);
        RemoveDevicesWithId(kSecondModelId);
        g_updates = 0;
        g_updateAnswer = -1;
        g_refusal = ERROR_NO_SUCH_DEVINST;
        api.UpdateDriverForPlugAndPlayDevicesW = &CountingUpdate;
        pnp::SetDeviceSetupForTesting(&api);
    }
    void TearDown() override {
        pnp::SetDeviceSetupForTesting(nullptr);
        RemoveDevicesWithId(kFirstModelId);
        RemoveDevicesWithId(kSecondModelId);
    }
    std::wstring inf;
    pnp::DeviceSetupApi api{};
};

} // namespace

// The INF of the package of this Windows, whatever the installer's bitness.
TEST(PnpInfPath, TheInfOfThisWindowsPackage) {
    const wchar_t* package = testing_support::WindowsIs64Bit() ? L"X64" : L"i386";
    EXPECT_EQ(engine::GetProgramDirectory() + L"\\24Pin\\" + package + L"\\24Pin.inf",
              GetPnpInfPath());
}

TEST_F(PnpInstall, FirstHardwareIdMatchesSecondDoesNot) {
    {
        TestDevice secondOnly({L"OTHER\\VENDOR_1", kFirstModelId});
        ASSERT_TRUE(secondOnly.ok());
        CPnpInstaller installer;
        EXPECT_FALSE(installer.FindMatchingDevice(inf));
        EXPECT_EQ(inf, installer.m_strInfPath);
        EXPECT_TRUE(installer.m_strHardwareId.empty());
        // The same device is present for the driver update: it lists the ID in second place.
        CDriverSetupHelper helper;
        EXPECT_TRUE(helper.IsHardwareIdPresent(kFirstModelId));
        EXPECT_FALSE(helper.IsHardwareIdPresent(L"usbprint\\korvanekv-82004f3a"));
    }
    TestDevice first({std::wstring(kSecondModelId) + L"&REV_0100", L"OTHER\\X"});
    ASSERT_TRUE(first.ok());
    CPnpInstaller installer;
    EXPECT_TRUE(installer.FindMatchingDevice(inf));
    EXPECT_EQ(std::wstring(kSecondModelId) + L"&REV_0100", installer.m_strHardwareId);
}

TEST_F(PnpInstall, LastMatchingDeviceWins) {
    TestDevice a({kFirstModelId});
    TestDevice b({kSecondModelId});
    ASSERT_TRUE(a.ok() && b.ok());
    CPnpInstaller installer;
    ASSERT_TRUE(installer.FindMatchingDevice(inf));
    EXPECT_EQ(kSecondModelId, installer.m_strHardwareId); // registered, and enumerated, last
}

TEST_F(PnpInstall, PresentDeviceGetsTheDriver) {
    TestDevice device({kSecondModelId});
    ASSERT_TRUE(device.ok());
    const int before = DeviceCount();
    CPnpInstaller installer;
    ASSERT_TRUE(installer.FindMatchingDevice(inf));
    EXPECT_TRUE(installer.Install());
    EXPECT_EQ(1, g_updates.load());
    EXPECT_EQ(before, DeviceCount()) << "no root device for a present one";
}

// The driver update forces the package's driver; a run that no one can answer also asks the setup
// library not to show anything (an unsigned package then fails at once instead of waiting).
TEST_F(PnpInstall, DriverUpdateIsNonInteractiveWhereNoOneCanAnswer) {
    TestDevice device({kSecondModelId});
    ASSERT_TRUE(device.ok());
    constexpr DWORD kForce = 0x1, kNonInteractive = 0x4;
    for (bool silent : {false, true, false}) {
        SCOPED_TRACE(silent);
        pnp::SetNonInteractiveInstall(silent);
        g_updateAnswer = 1;
        CPnpInstaller installer;
        ASSERT_TRUE(installer.FindMatchingDevice(inf));
        EXPECT_TRUE(installer.Install());
        EXPECT_EQ(silent ? kForce | kNonInteractive : kForce, g_flags.load());
    }
    pnp::SetNonInteractiveInstall(false);
}

TEST_F(PnpInstall, AbsentIdGetsARootDeviceWithTheDriver) {
    CPnpInstaller installer;
    EXPECT_FALSE(installer.FindMatchingDevice(inf)); // nothing present: the path is kept
    CDriverSetupHelper helper;
    ASSERT_FALSE(helper.IsHardwareIdPresent(kFirstModelId));
    EXPECT_TRUE(installer.Install()); // the INF's first model hardware ID
    EXPECT_EQ(kFirstModelId, installer.m_strHardwareId);
    EXPECT_EQ(1, g_updates.load());
    EXPECT_TRUE(helper.IsHardwareIdPresent(kFirstModelId)) << "the root device stays";
}

TEST_F(PnpInstall, RefusedUpdateRemovesTheNewRootDevice) {
    g_updateAnswer = 0;
    const int before = DeviceCount();
    CDriverSetupHelper helper;
    EXPECT_FALSE(helper.InstallDriverForHardwareId(inf, kFirstModelId, nullptr));
    EXPECT_EQ(1, g_updates.load());
    EXPECT_FALSE(helper.IsHardwareIdPresent(kFirstModelId));
    EXPECT_EQ(before, DeviceCount());
}

TEST_F(PnpInstall, RefusedUpdateForAPresentDeviceKeepsIt) {
    TestDevice device({kSecondModelId});
    ASSERT_TRUE(device.ok());
    g_updateAnswer = 0;
    CPnpInstaller installer;
    ASSERT_TRUE(installer.FindMatchingDevice(inf));
    EXPECT_FALSE(installer.Install());
    CDriverSetupHelper helper;
    EXPECT_TRUE(helper.IsHardwareIdPresent(kSecondModelId));
}

// A 32-bit installer on 64-bit Windows is refused with ERROR_IN_WOW64 (Wine accepts it): the
// refusal is logged with its code, for a present device and for a new root device alike, and the
// installer reports failure so that the job takes the spooler route.
TEST_F(PnpInstall, RefusedUpdateIsLoggedWithItsError) {
    g_updateAnswer = 0;
    g_refusal = ERROR_IN_WOW64;
    const std::wstring expected = L"UpdateDriverForPlugAndPlayDevices failed with error " +
                                  std::to_wstring(static_cast<int>(ERROR_IN_WOW64)) + L": ";
    for (const bool present : {true, false}) {
        std::unique_ptr<TestDevice> device;
        if (present) {
            device = std::make_unique<TestDevice>(std::vector<std::wstring>{kSecondModelId});
            ASSERT_TRUE(device->ok());
        }
        installer_tests::LogWatch log;
        CDriverSetupHelper helper;
        EXPECT_FALSE(helper.InstallDriverForHardwareId(
            inf, present ? kSecondModelId : kFirstModelId, nullptr));
        const std::vector<std::wstring> records = log.NewRecords();
        ASSERT_EQ(1u, records.size()) << "present " << present;
        EXPECT_EQ(expected, records[0].substr(0, expected.size())) << records[0];
    }
}

TEST_F(PnpInstall, MissingInfFailsWithoutAnyDeviceCall) {
    TestDevice device({kSecondModelId});
    ASSERT_TRUE(device.ok());
    const std::wstring missing = MakeScratchFolder(L"pnp-missing") + L"24Pin.inf";
    CPnpInstaller installer;
    EXPECT_FALSE(installer.FindMatchingDevice(missing));

    // The INF disappears between the search and the installation.
    const std::wstring copy = MakeScratchFolder(L"pnp-vanishing") + L"24Pin.inf";
    ASSERT_TRUE(::CopyFileW(inf.c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(installer.FindMatchingDevice(copy));
    ASSERT_TRUE(::DeleteFileW(copy.c_str()));
    const int before = DeviceCount();
    EXPECT_FALSE(installer.Install());
    EXPECT_EQ(0, g_updates.load());
    EXPECT_EQ(before, DeviceCount());
}

TEST_F(PnpInstall, InfWithoutModelsOrUnreadableClassMatchesNothing) {
    TestDevice device({kSecondModelId});
    ASSERT_TRUE(device.ok());
    const std::wstring folder = MakeScratchFolder(L"pnp-broken");
    struct Case {
        const char* name;
        const char* text;
    } cases[] = {
        {"no-manufacturer.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
                                "ClassGuid={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n"},
        {"no-class.inf", "[Manufacturer]\r\n%K%=Korvane_Tech,NTamd64\r\n"
                         "[Korvane_Tech.NTamd64]\r\n\"x\" = y, USBPRINT\\KorvaneKV-82309C11\r\n"},
    };
    for (const Case& c : cases) {
        const std::wstring path = folder + std::wstring(c.name, c.name + strlen(c.name));
        ASSERT_TRUE(WriteFileBytes(path, c.text));
        CPnpInstaller installer;
        EXPECT_FALSE(installer.FindMatchingDevice(path)) << c.name;
    }
    EXPECT_EQ(0, g_updates.load());
}
