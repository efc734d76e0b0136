// The rescan of a parallel port and the walk of the device nodes below it: ports made present
// through the registry, the device tree below them given through the discovery's entries.
#include "discovery/hardware_rescan.h"
#include "tests/discovery/device_bench.h"
#include "tests/discovery/fake_discovery.h"
#include "tests/discovery/install_log_records.h"

#include <gtest/gtest.h>

using namespace discovery;
using namespace discovery_testing;

namespace {

const wchar_t kLpt1[] = L"ACPI\\PNP0401\\KV1";
const wchar_t kPrinter[] = L"LPTENUM\\KorvaneRX-5208A3C\\1&2B7A0F3&0&LPT1.4";
const wchar_t kOtherPrinter[] = L"LPTENUM\\OTHERMAKERP-100\\1&2B7A0F3&0&LPT1.4";

class PrinterOnParallelPort : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::RemoveTree(engine::GetInstallLogFolder());
        bench.AddPort(kLpt1, L"ECP Printer Port (LPT1)");
        bench.AddParallelInterface(kLpt1);
    }
    DeviceBench bench;
};

struct Child {
    const wchar_t* id;
    int presentAfterRescans = 0;
    bool readable = true;
};

const wchar_t kPrinterInCapitals[] = L"LPTENUM\\KORVANERX-5208A3C\\1&2B7A0F3&0&LPT1.4";
const wchar_t kSecondPrinter[] = L"LPTENUM\\KorvaneRX-5208A3C\\1&2B7A0F3&0&LPT1.3";

} // namespace

TEST_F(PrinterOnParallelPort, WalkOfThePortsChildren) {
    struct Case {
        const char* what;
        const wchar_t* portName;
        std::vector<Child> children; // of LPT1, in order
        bool loopSiblings;
        const wchar_t* found; // nullptr: not found
        size_t rescans;
    } cases[] = {
        {"the maker's printer", L"LPT1", {{kPrinter}}, false, kPrinter, 1},
        {"another maker's printer only", L"LPT1", {{kOtherPrinter}}, false, nullptr, 3},
        {"the maker's printer second", L"LPT1", {{kOtherPrinter}, {kPrinter}}, false, kPrinter, 1},
        {"maker's name in capitals", L"LPT1", {{kPrinterInCapitals}}, false, nullptr, 3},
        {"no child", L"LPT1", {}, false, nullptr, 3},
        {"printer appears with the second rescan", L"LPT1", {{kPrinter, 2}}, false, kPrinter, 2},
        {"printer appears too late", L"LPT1", {{kPrinter, 4}}, false, nullptr, 3},
        {"a child whose ID cannot be read is passed over",
         L"LPT1",
         {{kSecondPrinter, 0, false}, {kPrinter}},
         false,
         kPrinter,
         1},
        {"another port is not searched", L"LPT2", {{kPrinter}}, false, nullptr, 0},
        {"LPT10 is not LPT1", L"LPT10", {{kPrinter}}, false, nullptr, 0},
        {"broken tree whose siblings loop", L"LPT1", {{kOtherPrinter}}, true, nullptr, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeDiscovery fake;
        for (const Child& child : c.children) {
            fake.AddChild(kLpt1, child.id, child.presentAfterRescans);
            if (!child.readable)
                fake.HideId(child.id);
        }
        if (c.loopSiblings)
            fake.LoopSiblings();
        std::wstring instanceId = L"untouched";
        EXPECT_EQ(c.found != nullptr, FindPrinterOnParallelPort(c.portName, instanceId) != FALSE);
        EXPECT_EQ(c.found != nullptr ? c.found : L"untouched", instanceId);
        EXPECT_EQ(std::vector<std::wstring>(c.rescans, kLpt1), fake.Rescans());
    }
    EXPECT_TRUE(InstallLogRecords().empty());
}

// Failures end the search with FALSE, leave the caller's string and are recorded in the install
// log with the last system error.
TEST_F(PrinterOnParallelPort, FailuresAreLogged) {
    struct Case {
        const char* what;
        void (*setUp)(FakeDiscovery&, DeviceBench&);
        std::vector<std::string> records; // how the records begin, in order
    } cases[] = {
        {"device node not found",
         [](FakeDiscovery& f, DeviceBench&) { f.FailLocate(CR_NO_SUCH_DEVNODE); },
         {"CM_Locate_DevNode   failed:   d\n  ", "ScanForHardwareChanges Failure "}},
        {"re-enumeration refused",
         [](FakeDiscovery& f, DeviceBench&) { f.FailReenumerate(CR_FAILURE); },
         {"CM_Reenumerate_DevNode   failed:   13\n  ", "ScanForHardwareChanges Failure "}},
        {"no interface list",
         [](FakeDiscovery& f, DeviceBench&) { f.RefuseDeviceInfoSets(ERROR_NOT_ENOUGH_MEMORY); },
         {"SetupDiGetClassDevs! failed with error 8: "}},
        // Last: it takes the fixture's port's friendly name away.
        {"port without a friendly name",
         [](FakeDiscovery&, DeviceBench& b) { b.AddPort(kLpt1, nullptr); },
         {"SetupDiGetDeviceRegistryProperty failed with error "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::RemoveTree(engine::GetInstallLogFolder());
        DeviceBench caseBench;
        FakeDiscovery fake;
        fake.AddChild(kLpt1, kPrinter);
        c.setUp(fake, caseBench);
        std::wstring instanceId = L"untouched";
        EXPECT_FALSE(FindPrinterOnParallelPort(L"LPT1", instanceId));
        EXPECT_EQ(L"untouched", instanceId);
        const std::vector<std::string> records = InstallLogRecords();
        ASSERT_EQ(c.records.size(), records.size());
        for (size_t i = 0; i < records.size(); ++i)
            EXPECT_TRUE(StartsWith(records[i], c.records[i])) << records[i];
    }
}

TEST_F(PrinterOnParallelPort, RescanOfADeviceNode) {
    FakeDiscovery fake;
    EXPECT_TRUE(RescanDeviceNode(kLpt1));
    EXPECT_EQ(std::vector<std::wstring>{kLpt1}, fake.Rescans());
    fake.FailLocate(CR_NO_SUCH_DEVNODE);
    EXPECT_FALSE(RescanDeviceNode(kLpt1));
    EXPECT_EQ(std::vector<std::wstring>{kLpt1}, fake.Rescans());
    const std::vector<std::string> records = InstallLogRecords();
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(StartsWith(records[0], "CM_Locate_DevNode   failed:   d\n  ")) << records[0];
}
