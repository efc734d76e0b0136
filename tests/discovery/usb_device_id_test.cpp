// The USB printer's device ID: a USB printing interface made present through the registry, and a
// printer answering through the discovery's device I/O entries.
#include "discovery/device_info_set.h"
#include "discovery/usb_device_id.h"
#include "discovery/usb_port.h"
#include "tests/discovery/device_bench.h"
#include "tests/discovery/fake_discovery.h"
#include "win/text.h"

#include <gtest/gtest.h>
#include <winioctl.h>

using namespace discovery;
using namespace discovery_testing;

namespace {

// IOCTL_USBPRINT_GET_1284_ID: FILE_DEVICE_UNKNOWN, function 13, buffered, any access.
constexpr DWORD kGet1284Id = 0x00220034;

// "票据80" in code page 936.
const std::string kGbkModel = "\xC6\xB1\xBE\xDD"
                              "80";

// An answer as a USB printer gives it: the length of the whole answer, high byte first, then
// the ID text.
std::string UsbAnswer(const std::string& text) {
    const size_t length = text.size() + 2;
    return std::string{static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)} + text;
}

class UsbDeviceId : public ::testing::Test {
protected:
    void SetUp() override {
        path = bench.AddUsbPrinter(L"USB\\VID_D23C&PID_0001\\KV0001", 1);
        ASSERT_EQ(std::vector<std::wstring>{path}, PresentInterfacePaths(kUsbPrintInterface));
    }
    DeviceBench bench;
    std::wstring path;
};

} // namespace

TEST_F(UsbDeviceId, ModelOfTheAnswer) {
    ASSERT_EQ(936u, ::GetACP()); // the users' code page, as in the bench
    const std::string longId =
        "MFG:Korvane;CMD:ESC/POS;DES:" + std::string(246, 'd') + ";CLS:PRINTER;MDL:RX-520;";
    struct Case {
        const char* what;
        std::string answer;
        std::wstring model;
        int result; // the bytes received
    } cases[] = {
        {"model", UsbAnswer("MFG:Korvane;MDL:RX-520;CLS:PRINTER;"), L"RX-520", 37},
        {"blanks around the model", UsbAnswer("MFG:Korvane;MDL: RX-410 ;"), L"RX-410 ", 27},
        {"no manufacturer", UsbAnswer("MDL:RX-410;"), L"", 13},
        {"empty manufacturer", UsbAnswer("MFG:;MDL:RX-410;"), L"", 18},
        {"no ';' after the model", UsbAnswer("MFG:Korvane;MDL:RX-410"), L"", 24},
        // The length field's high byte is 1; the text still starts after the two bytes.
        {"300 bytes", UsbAnswer(longId), L"RX-520", 300},
        {"model in the ANSI code page", UsbAnswer("MFG:Korvane;MDL:" + kGbkModel + ";"), L"票据80",
         25},
        // Bytes that are no text in code page 936, the last one a lead byte without its trail.
        {"invalid bytes", UsbAnswer("MFG:Korvane;MDL:RX-520;DES:\xFF\x80\x81"), L"RX-520", 32},
        {"length field larger than the answer", std::string("\x7F\xFF") + "MFG:Korvane;MDL:RX-520;",
         L"RX-520", 25},
        {"only the length field", UsbAnswer(""), L"", 2},
        // A printer that writes more than the buffer holds: 512 bytes arrive, without a NUL.
        {"longer than the buffer", UsbAnswer("MFG:Korvane;MDL:RX-520;DES:" + std::string(700, 'x')),
         L"RX-520", 512},
        {"model cut off by the buffer",
         UsbAnswer("MFG:Korvane;DES:" + std::string(500, 'x') + ";MDL:RX-520;"), L"", 512},
    };
    ASSERT_EQ(300u, UsbAnswer(longId).size());
    ASSERT_EQ('\x01', UsbAnswer(longId)[0]);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeDiscovery fake;
        fake.Answer(c.answer);
        std::wstring model = L"unchanged";
        EXPECT_EQ(c.result, QueryUsbDeviceId(model));
        EXPECT_EQ(c.model, model);
        ASSERT_EQ(1u, fake.Requests().size());
        EXPECT_EQ(kGet1284Id, fake.Requests()[0].code);
        EXPECT_EQ(512u, fake.Requests()[0].outputBytes);
        EXPECT_TRUE(fake.PrintersClosed());
    }
}

// Several USB printers: the ID comes from the one listed last, whatever its vendor, which need
// not be the printer whose port number is used.
TEST_F(UsbDeviceId, ReadFromThePrinterListedLast) {
    const std::wstring other = bench.AddUsbPrinter(L"USB\\VID_F00D&PID_0001\\X1", 4);
    ASSERT_EQ((std::vector<std::wstring>{path, other}), PresentInterfacePaths(kUsbPrintInterface));
    FakeDiscovery fake;
    fake.Answer(UsbAnswer("MFG:Other;MDL:Z-1;"));
    std::wstring model;
    EXPECT_EQ(20, QueryUsbDeviceId(model));
    EXPECT_EQ(L"Z-1", model);
    ASSERT_EQ(1u, fake.Opens().size());
    const OpenCall open = fake.Opens()[0];
    EXPECT_EQ(other, open.path);
    EXPECT_EQ(static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE), open.access);
    EXPECT_EQ(static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE), open.share);
    EXPECT_EQ(static_cast<DWORD>(FILE_FLAG_OVERLAPPED), open.flags);
    EXPECT_EQ(1u, FindUsbPrinterPortNumber());
}

// A printer that cannot be reached leaves the caller's model as it was.
TEST_F(UsbDeviceId, NoAnswerLeavesTheModel) {
    struct Case {
        const char* what;
        void (*setUp)(FakeDiscovery&);
        int result;
        size_t opens;
    } cases[] = {
        {"no interface list",
         [](FakeDiscovery& f) { f.RefuseDeviceInfoSets(ERROR_NOT_ENOUGH_MEMORY); }, 0, 0},
        {"printer cannot be opened", [](FakeDiscovery& f) { f.RefuseOpen(ERROR_ACCESS_DENIED); }, 0,
         1},
        {"request refused", [](FakeDiscovery& f) { f.RefuseRequest(ERROR_GEN_FAILURE); }, -1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeDiscovery fake;
        fake.Answer(UsbAnswer("MFG:Korvane;MDL:RX-520;"));
        c.setUp(fake);
        std::wstring model = L"unchanged";
        EXPECT_EQ(c.result, QueryUsbDeviceId(model));
        EXPECT_EQ(L"unchanged", model);
        EXPECT_EQ(c.opens, fake.Opens().size());
        EXPECT_TRUE(fake.PrintersClosed());
    }
}

TEST(UsbDeviceIdWithoutPrinter, NothingToOpen) {
    ASSERT_TRUE(PresentInterfacePaths(kUsbPrintInterface).empty());
    FakeDiscovery fake;
    std::wstring model = L"unchanged";
    EXPECT_EQ(0, QueryUsbDeviceId(model));
    EXPECT_EQ(L"unchanged", model);
    EXPECT_TRUE(fake.Opens().empty());
    EXPECT_FALSE(OpenUsbPrinterDevice());
}

// The request is overlapped: an answer that comes a moment later is waited for.
TEST_F(UsbDeviceId, LateAnswerIsAwaited) {
    FakeDiscovery fake;
    fake.Answer(UsbAnswer("MFG:Korvane;MDL:RX-520;"), Reply::Late);
    std::wstring model;
    EXPECT_EQ(25, QueryUsbDeviceId(model));
    EXPECT_EQ(L"RX-520", model);
    EXPECT_TRUE(fake.PrintersClosed());
}

// A printer that never answers holds the caller only for the time-out; the request is cancelled
// and the printer closed.
TEST_F(UsbDeviceId, SilentPrinterTimesOut) {
    FakeDiscovery fake;
    fake.Answer(UsbAnswer("MFG:Korvane;MDL:RX-520;"), Reply::Never);
    std::wstring model = L"unchanged";
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(-1, QueryUsbDeviceId(model));
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    EXPECT_GE(elapsed + 50, kDeviceIdTimeoutMs);
    EXPECT_LT(elapsed, kDeviceIdTimeoutMs + 3000);
    EXPECT_EQ(L"unchanged", model);
    EXPECT_TRUE(fake.PrintersClosed());
}
