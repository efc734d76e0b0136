// The parallel port's device name, found among port devices made present through the registry,
// and the device ID of the printer behind it, answered through the discovery's device I/O entries.
#include "discovery/device_request.h"
#include "discovery/parallel_port.h"
#include "tests/discovery/device_bench.h"
#include "tests/discovery/fake_discovery.h"
#include "tests/discovery/install_log_records.h"
#include "win/text.h"

#include <gtest/gtest.h>

using namespace discovery;
using namespace discovery_testing;

namespace {

struct Port {
    const wchar_t* instanceId;
    const wchar_t* friendlyName; // nullptr: none
};

// IOCTL_PAR_QUERY_DEVICE_ID: FILE_DEVICE_PARALLEL_PORT, function 3, buffered, any access.
constexpr DWORD kQueryDeviceId = 0x0016000C;

// "票据80" in code page 936.
const std::string kGbkModel = "\xC6\xB1\xBE\xDD"
                              "80";

const wchar_t kLpt1[] = L"ACPI\\PNP0401\\KV1";
const wchar_t kPrinterOnLpt1[] = L"LPTENUM\\KorvaneRX-5208A3C\\1&2B7A0F3&0&LPT1.4";

} // namespace

TEST(ParallelPortName, FirstPortWhoseNameHoldsTheFilter) {
    const std::wstring longName = std::wstring(123, L'P') + L" (LPT3)";
    struct Case {
        const char* what;
        std::vector<Port> ports; // in the order the setup library lists them
        const wchar_t* name;
    } cases[] = {
        {"no port", {}, L""},
        {"ECP port", {{kLpt1, L"ECP Printer Port (LPT1)"}}, L"LPT1"},
        {"two-digit port", {{kLpt1, L"Printer Port (LPT10)"}}, L"LPT10"},
        {"serial port only", {{L"ACPI\\PNP0501\\KV1", L"Communications Port (COM1)"}}, L""},
        {"filter is case-sensitive", {{kLpt1, L"ecp printer port (lpt1)"}}, L""},
        {"serial port listed first",
         {{L"ACPI\\PNP0501\\KV1", L"Communications Port (COM1)"},
          {L"PCI\\VEN_9710&DEV_9865\\KV2", L"Printer Port (LPT2)"}},
         L"LPT2"},
        {"port without a friendly name listed first",
         {{L"ACPI\\PNP0400\\KV1", nullptr}, {kLpt1, L"ECP Printer Port (LPT1)"}},
         L"LPT1"},
        // 130 characters and the NUL do not fit the 260 bytes the name is read into.
        {"port whose friendly name is too long listed first",
         {{L"ACPI\\PNP0400\\KV1", longName.c_str()}, {kLpt1, L"ECP Printer Port (LPT1)"}},
         L"LPT1"},
        {"two parallel ports: the first",
         {{kLpt1, L"ECP Printer Port (LPT1)"},
          {L"PCI\\VEN_9710&DEV_9865\\KV2", L"Printer Port (LPT2)"}},
         L"LPT1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceBench bench;
        std::vector<std::wstring> names;
        for (const Port& p : c.ports) {
            bench.AddPort(p.instanceId, p.friendlyName);
            names.push_back(p.friendlyName != nullptr ? p.friendlyName : L"");
        }
        ASSERT_EQ(names, PresentPortNames());
        EXPECT_EQ(c.name, FindParallelPortName(L"LPT"));
    }
    EXPECT_TRUE(PresentPortNames().empty());
}

// The maker's printer found below the port gives the name opened: "\\.\LPT1.4".
TEST(ParallelPortName, PrinterBelowThePort) {
    DeviceBench bench;
    bench.AddPort(kLpt1, L"ECP Printer Port (LPT1)");
    bench.AddParallelInterface(kLpt1);
    FakeDiscovery fake;
    fake.AddChild(kLpt1, kPrinterOnLpt1);
    EXPECT_EQ(L"LPT1.4", FindParallelPortName(L"LPT"));

    win::FileHandle port = OpenParallelPrinterDevice(L"LPT");
    EXPECT_TRUE(port);
    ASSERT_EQ(1u, fake.Opens().size());
    const OpenCall open = fake.Opens()[0];
    EXPECT_EQ(L"\\\\.\\LPT1.4", open.path);
    EXPECT_EQ(static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE), open.access);
    EXPECT_EQ(0u, open.share);
    EXPECT_EQ(static_cast<DWORD>(FILE_FLAG_OVERLAPPED), open.flags);
}

// Only the first parallel port is searched, even when the printer hangs on the second.
TEST(ParallelPortName, PrinterOnTheSecondPortIsNotUsed) {
    const wchar_t lpt2[] = L"PCI\\VEN_9710&DEV_9865\\KV2";
    DeviceBench bench;
    bench.AddPort(kLpt1, L"ECP Printer Port (LPT1)");
    bench.AddPort(lpt2, L"Printer Port (LPT2)");
    bench.AddParallelInterface(kLpt1);
    bench.AddParallelInterface(lpt2);
    FakeDiscovery fake;
    fake.AddChild(lpt2, L"LPTENUM\\KorvaneRX-5208A3C\\1&3C1D2E&0&LPT2.4");
    EXPECT_EQ(L"LPT1", FindParallelPortName(L"LPT"));
    EXPECT_EQ(std::vector<std::wstring>(3, kLpt1), fake.Rescans());
}

// A port that cannot be rescanned (the platform refuses) is still opened by its own name.
TEST(ParallelPortName, PortNameWhenTheRescanFails) {
    DeviceBench bench;
    bench.AddPort(kLpt1, L"ECP Printer Port (LPT1)");
    bench.AddParallelInterface(kLpt1);
    FakeDiscovery fake;
    fake.AddChild(kLpt1, kPrinterOnLpt1);
    fake.FailLocate(CR_NO_SUCH_DEVNODE);
    EXPECT_EQ(L"LPT1", FindParallelPortName(L"LPT"));
}

TEST(ParallelPortName, NoPortListIsLogged) {
    testing_support::RemoveTree(engine::GetInstallLogFolder());
    DeviceBench bench;
    bench.AddPort(kLpt1, L"ECP Printer Port (LPT1)");
    FakeDiscovery fake;
    fake.RefuseDeviceInfoSets(ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(L"", FindParallelPortName(L"LPT"));
    EXPECT_FALSE(OpenParallelPrinterDevice(L"LPT"));
    EXPECT_TRUE(fake.Opens().empty());
    const std::vector<std::string> records = InstallLogRecords();
    ASSERT_EQ(2u, records.size());
    for (const std::string& record : records)
        EXPECT_TRUE(StartsWith(record, win::ToAnsi(L"无法获取指定设备信息集!     "))) << record;
}

TEST(ParallelPortName, NoPortNoOpen) {
    FakeDiscovery fake;
    EXPECT_FALSE(OpenParallelPrinterDevice(L"LPT"));
    EXPECT_TRUE(fake.Opens().empty());
}

namespace {

// The printer answers each port opened after Answer() was told.
class ParallelDeviceId : public ::testing::Test {
protected:
    void SetUp() override { bench.AddPort(kLpt1, L"ECP Printer Port (LPT1)"); }
    win::FileHandle Open() {
        win::FileHandle port = OpenParallelPrinterDevice(L"LPT");
        EXPECT_TRUE(port);
        return port;
    }
    DeviceBench bench;
    FakeDiscovery fake;
};

} // namespace

TEST_F(ParallelDeviceId, ModelIntoTheCallersBuffer) {
    ASSERT_EQ(936u, ::GetACP());
    struct Case {
        const char* what;
        std::string answer; // no length field in front of a parallel port's answer
        DWORD claimed;      // a byte count the port reports instead of the true one (0: true)
        int result;
        std::wstring model; // what the buffer holds afterwards
    } cases[] = {
        {"model", "MFG:Korvane;MDL:RX-520;CLS:PRINTER;", 0, 0, L"RX-520"},
        {"no manufacturer", "MDL:RX-410;", 0, -1, L"untouched"},
        {"empty manufacturer", "MFG:;MDL:RX-410;", 0, -1, L"untouched"},
        {"no ';' after the model", "MFG:Korvane;MDL:RX-410", 0, 0, L""},
        {"model in the ANSI code page", "MFG:Korvane;MDL:" + kGbkModel + ";", 0, 0, L"票据80"},
        // 300 characters do not fit the 260-character buffer: cut to 259 and a NUL.
        {"long model", "MFG:Korvane;MDL:" + std::string(300, 'M') + ";", 0, 0,
         std::wstring(259, L'M')},
        // An answer that fills the 512-byte buffer, without a NUL in it.
        {"answer filling the buffer", "MFG:Korvane;MDL:RX-520;" + std::string(489, 'x'), 0, 0,
         L"RX-520"},
        // A port that reports more bytes than the buffer holds.
        {"count beyond the buffer", "MFG:Korvane;MDL:RX-520;" + std::string(489, 'x'), 4096, 0,
         L"RX-520"},
        {"answer longer than the buffer", "MFG:Korvane;MDL:RX-520;" + std::string(900, 'x'), 0, 0,
         L"RX-520"},
        {"invalid bytes", "MFG:Korvane;MDL:RX-520;DES:\xFF\x80\x81", 0, 0, L"RX-520"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake.Answer(c.answer);
        fake.ClaimReceived(c.claimed);
        win::FileHandle port = Open();
        wchar_t buffer[kParallelModelChars + 16];
        std::fill(std::begin(buffer), std::end(buffer), L'#');
        wcscpy(buffer, L"untouched");
        EXPECT_EQ(c.result, QueryParallelDeviceId(port.Get(), buffer, kParallelModelChars));
        EXPECT_EQ(c.model, std::wstring(buffer));
        for (size_t i = kParallelModelChars; i < std::size(buffer); ++i)
            ASSERT_EQ(L'#', buffer[i]) << "written past the buffer at " << i;
    }
    ASSERT_EQ(std::size(cases), fake.Requests().size());
    for (const RequestCall& request : fake.Requests()) {
        EXPECT_EQ(kQueryDeviceId, request.code);
        EXPECT_EQ(512u, request.outputBytes);
        EXPECT_TRUE(request.overlapped);
    }
    EXPECT_TRUE(fake.PrintersClosed());
}

TEST_F(ParallelDeviceId, NoAnswerLeavesTheBuffer) {
    wchar_t buffer[kParallelModelChars] = L"untouched";
    fake.Answer("MFG:Korvane;MDL:RX-520;");
    win::FileHandle port = Open();
    EXPECT_EQ(-1, QueryParallelDeviceId(INVALID_HANDLE_VALUE, buffer, kParallelModelChars));
    EXPECT_EQ(-1, QueryParallelDeviceId(port.Get(), buffer, 0));
    EXPECT_EQ(-1, QueryParallelDeviceId(port.Get(), nullptr, kParallelModelChars));
    fake.RefuseRequest(ERROR_SEM_TIMEOUT);
    EXPECT_EQ(-1, QueryParallelDeviceId(port.Get(), buffer, kParallelModelChars));
    EXPECT_EQ(L"untouched", std::wstring(buffer));
}

// The request is bounded like the USB one: an answer a moment later is waited for; a port that
// never answers holds the caller only for the time-out, and its request is cancelled and ended
// before the port is closed.
TEST_F(ParallelDeviceId, AnswerIsAwaitedForAtMostTheTimeOut) {
    const struct {
        const char* what;
        Reply reply;
        int result;
        std::wstring model;
        DWORD atLeastMs, lessThanMs;
    } cases[] = {
        {"late answer", Reply::Late, 0, L"RX-520", 0, kDeviceIdTimeoutMs},
        {"no answer", Reply::Never, -1, L"untouched", kDeviceIdTimeoutMs - 50,
         kDeviceIdTimeoutMs + 3000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake.Answer("MFG:Korvane;MDL:RX-520;", c.reply);
        wchar_t buffer[kParallelModelChars] = L"untouched";
        {
            win::FileHandle port = Open();
            const ULONGLONG start = ::GetTickCount64();
            EXPECT_EQ(c.result, QueryParallelDeviceId(port.Get(), buffer, kParallelModelChars));
            const ULONGLONG elapsed = ::GetTickCount64() - start;
            EXPECT_GE(elapsed, c.atLeastMs);
            EXPECT_LT(elapsed, c.lessThanMs);
        }
        EXPECT_EQ(c.model, std::wstring(buffer));
        EXPECT_TRUE(fake.PrintersClosed());
    }
}
