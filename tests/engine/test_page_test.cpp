// The test receipt printed through Wine's spooler to a queue whose port is a file path (Wine's
// spooler copies a finished RAW document to such a port), read back byte for byte; spooler
// refusals Wine does not produce come through the spooler seam, which records every call.
#include "engine/driver_staging.h"
#include "engine/printer_registration.h"
#include "engine/spooler_api.h"
#include "engine/test_page.h"
#include "engine/test_page_text.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/engine/spooler_bench.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

using namespace engine;
using namespace installer_tests;
using testing_support::ReadFileBytes;

namespace {

using Calls = std::vector<std::string>;

// What the seam saw and what it refuses; each refusal is the error the call fails with.
struct PageScript {
    Calls calls;
    int openHandles = 0;
    DWORD refuseOpen = 0, refuseStartDoc = 0, refuseStartPage = 0, refuseWrite = 0,
          refuseEndPage = 0, refuseEndDoc = 0;
    DWORD writeChunk = 0;      // not 0: the most bytes one WritePrinter takes
    bool writeNothing = false; // WritePrinter succeeds and takes no byte
    DWORD docLevel = 0;
    std::wstring docName, outputFile, dataType;
};
PageScript g_page;

BOOL Refuse(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

BOOL WINAPI PageOpen(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
    g_page.calls.push_back("OpenPrinterW");
    if (g_page.refuseOpen != 0)
        return Refuse(g_page.refuseOpen);
    const BOOL opened = SystemSpooler().OpenPrinterW(name, printer, defaults);
    g_page.openHandles += opened ? 1 : 0;
    return opened;
}
BOOL WINAPI PageClose(HANDLE printer) {
    g_page.calls.push_back("ClosePrinter");
    const BOOL closed = SystemSpooler().ClosePrinter(printer);
    g_page.openHandles -= closed ? 1 : 0;
    return closed;
}
DWORD WINAPI PageStartDoc(HANDLE printer, DWORD level, LPBYTE info) {
    g_page.calls.push_back("StartDocPrinterW");
    const auto* doc = reinterpret_cast<const DOC_INFO_1W*>(info);
    g_page.docLevel = level;
    g_page.docName = Text(doc->pDocName);
    g_page.outputFile = Text(doc->pOutputFile);
    g_page.dataType = Text(doc->pDatatype);
    if (g_page.refuseStartDoc != 0)
        return Refuse(g_page.refuseStartDoc);
    return SystemSpooler().StartDocPrinterW(printer, level, info);
}
BOOL WINAPI PageStartPage(HANDLE printer) {
    g_page.calls.push_back("StartPagePrinter");
    if (g_page.refuseStartPage != 0)
        return Refuse(g_page.refuseStartPage);
    return SystemSpooler().StartPagePrinter(printer);
}
BOOL WINAPI PageWrite(HANDLE printer, LPVOID bytes, DWORD size, LPDWORD written) {
    g_page.calls.push_back("WritePrinter");
    *written = 0;
    if (g_page.refuseWrite != 0)
        return Refuse(g_page.refuseWrite);
    if (g_page.writeNothing)
        return TRUE;
    if (g_page.writeChunk != 0 && size > g_page.writeChunk)
        size = g_page.writeChunk;
    return SystemSpooler().WritePrinter(printer, bytes, size, written);
}
// The end of a page or document reaches the spooler, then is reported refused.
BOOL WINAPI PageEndPage(HANDLE printer) {
    g_page.calls.push_back("EndPagePrinter");
    const BOOL ended = SystemSpooler().EndPagePrinter(printer);
    return g_page.refuseEndPage != 0 ? Refuse(g_page.refuseEndPage) : ended;
}
BOOL WINAPI PageEndDoc(HANDLE printer) {
    g_page.calls.push_back("EndDocPrinter");
    const BOOL ended = SystemSpooler().EndDocPrinter(printer);
    return g_page.refuseEndDoc != 0 ? Refuse(g_page.refuseEndDoc) : ended;
}

SpoolerApi PageSpooler() {
    SpoolerApi api = SystemSpooler();
    api.OpenPrinterW = &PageOpen;
    api.ClosePrinter = &PageClose;
    api.StartDocPrinterW = &PageStartDoc;
    api.StartPagePrinter = &PageStartPage;
    api.WritePrinter = &PageWrite;
    api.EndPagePrinter = &PageEndPage;
    api.EndDocPrinter = &PageEndDoc;
    return api;
}

const Calls kWholeDocument = {"OpenPrinterW", "StartDocPrinterW", "StartPagePrinter",
                              "WritePrinter", "EndPagePrinter",   "EndDocPrinter",
                              "ClosePrinter"};

bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0;
}

} // namespace

class TestPage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(driverDirectory.empty());
        RemoveMakersSpoolerObjects();
        g_page = PageScript{};
        // The queue: the package staged and registered as an installation leaves it, on a port
        // that is a file of the scratch folder.
        ASSERT_TRUE(
            CopyDriverTree(NativePackageFolder() + L"\\", driverDirectory + L"\\", L"KV-8200.GPD"));
        ASSERT_TRUE(RegisterDriverAndPrinter(kPrinter, port, L"KV-8200.GPD"));
        SetSpoolerForTesting(&spooler);
    }
    void TearDown() override {
        SetSpoolerForTesting(nullptr);
        RemoveMakersSpoolerObjects();
        versionFiles.RemoveAdded();
        testing_support::RemoveTree(scratch);
    }
    TestPageRequest Request() const {
        return TestPageRequest{kPrinter, L"KV-8200", kPrinter, port};
    }

    const std::wstring kPrinter = L"Korvane KV-8200 (副本 1)";
    std::wstring driverDirectory = DriverDirectory();
    FolderStash driverFiles{DriverDirectory()};
    FolderSnapshot versionFiles{DriverDirectory() + L"\\3"};
    std::wstring scratch = testing_support::MakeScratchFolder(L"test-page");
    std::wstring port = scratch + L"receipt.prn";
    const SpoolerApi spooler = PageSpooler();
};

// The receipt is GBK (code page 936), the printers' code page, named explicitly: the same bytes on
// a PC whose ANSI code page is another (the bench's is 936, so this shows the bytes, not the
// independence; the conversion asks for 936 by number).
TEST_F(TestPage, ReceiptArrivesAtTheFilePortInGbk) {
    for (DWORD chunk : {0ul, 7ul}) {
        SCOPED_TRACE(chunk);
        g_page = PageScript{};
        g_page.writeChunk = chunk; // 7: the spooler takes seven bytes a call
        ::DeleteFileW(port.c_str());
        SYSTEMTIME before{};
        ::GetLocalTime(&before);
        LogWatch log;
        ASSERT_TRUE(PrintTestPage(Request()));
        const std::string bytes = ReadFileBytes(port);
        ASSERT_FALSE(bytes.empty())
            << "nothing arrived at " << std::string(port.begin(), port.end());

        // Exactly the receipt of that moment (a second may have turned meanwhile).
        SYSTEMTIME after{};
        ::GetLocalTime(&after);
        EXPECT_TRUE(bytes == TestPageBytes(Request(), before) ||
                    bytes == TestPageBytes(Request(), after));
        // Its content, in code page 936: "型号" D0CD BAC5, "副本" B8B1 B1BE, never UTF-8.
        EXPECT_EQ(0u, bytes.find("Korvane \xB4\xF2\xD3\xA1\xB2\xE2\xCA\xD4\xD2\xB3\r\n"));
        EXPECT_NE(std::string::npos, bytes.find("\xD0\xCD\xBA\xC5\xA3\xBAKV-8200\r\n"));
        EXPECT_NE(std::string::npos, bytes.find("Korvane KV-8200 (\xB8\xB1\xB1\xBE 1)\r\n"));
        const std::string portAnsi(port.begin(), port.end()); // an ASCII path
        EXPECT_NE(std::string::npos, bytes.find("\xA3\xBA" + portAnsi + "\r\n"));
        EXPECT_EQ(std::string::npos, bytes.find("\xE5\x9E\x8B")) << "UTF-8 of 型";
        char date[16];
        std::snprintf(date, sizeof(date), "%04u-%02u-%02u", before.wYear, before.wMonth,
                      before.wDay);
        EXPECT_NE(std::string::npos, bytes.find(date));
        // CR LF line ends only, and the feed lines at the end.
        for (size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
            EXPECT_EQ('\r', bytes[at - 1]) << at;
        std::string feeds;
        for (int i = 0; i <= kTestPageFeedLines; ++i)
            feeds += "\r\n";
        EXPECT_EQ(bytes.size() - feeds.size(), bytes.rfind(feeds));

        // One RAW document to the queue's own port, every call in the log.
        Calls expected = kWholeDocument;
        if (chunk != 0) {
            const size_t writes = (bytes.size() + chunk - 1) / chunk;
            expected.insert(expected.begin() + 4, writes - 1, "WritePrinter");
        }
        EXPECT_EQ(expected, g_page.calls);
        EXPECT_EQ(0, g_page.openHandles);
        EXPECT_EQ(1u, g_page.docLevel);
        EXPECT_EQ(L"RAW", g_page.dataType);
        EXPECT_EQ(L"(null)", g_page.outputFile);
        EXPECT_EQ(L"Korvane 测试页", g_page.docName);
        const std::vector<std::wstring> records = log.NewRecords();
        ASSERT_EQ(expected.size() + 1, records.size());
        const wchar_t* steps[] = {L"OpenPrinter ", L"StartDocPrinter ", L"StartPagePrinter "};
        for (size_t i = 0; i < 3; ++i)
            EXPECT_TRUE(StartsWith(records[i], steps[i] + kPrinter)) << records[i];
        for (const std::wstring& record :
             std::vector<std::wstring>(records.begin(), records.end() - 1))
            EXPECT_NE(std::wstring::npos, record.find(L" succeed:  0: ")) << record;
        EXPECT_EQ(L"测试页已发送到 " + kPrinter, records.back());
    }
}

TEST_F(TestPage, RefusedCallFailsAndEndsWhatWasBegun) {
    const struct Case {
        const char* name;
        void (*script)(PageScript&);
        Calls calls;
        const wchar_t* failedStep;
        DWORD error;
    } cases[] = {
        {"printer not opened",
         [](PageScript& s) { s.refuseOpen = ERROR_INVALID_PRINTER_NAME; },
         {"OpenPrinterW"},
         L"OpenPrinter ",
         ERROR_INVALID_PRINTER_NAME},
        {"document refused",
         [](PageScript& s) { s.refuseStartDoc = ERROR_ACCESS_DENIED; },
         {"OpenPrinterW", "StartDocPrinterW", "ClosePrinter"},
         L"StartDocPrinter ",
         ERROR_ACCESS_DENIED},
        {"page refused",
         [](PageScript& s) { s.refuseStartPage = ERROR_NOT_ENOUGH_MEMORY; },
         {"OpenPrinterW", "StartDocPrinterW", "StartPagePrinter", "EndDocPrinter", "ClosePrinter"},
         L"StartPagePrinter ",
         ERROR_NOT_ENOUGH_MEMORY},
        {"write refused", [](PageScript& s) { s.refuseWrite = ERROR_PRINT_CANCELLED; },
         kWholeDocument, L"WritePrinter ", ERROR_PRINT_CANCELLED},
        {"write takes nothing", [](PageScript& s) { s.writeNothing = true; }, kWholeDocument,
         L"WritePrinter ", ERROR_WRITE_FAULT},
        {"page end refused", [](PageScript& s) { s.refuseEndPage = ERROR_OUT_OF_PAPER; },
         kWholeDocument, L"EndPagePrinter ", ERROR_OUT_OF_PAPER},
        {"document end refused", [](PageScript& s) { s.refuseEndDoc = ERROR_DISK_FULL; },
         kWholeDocument, L"EndDocPrinter ", ERROR_DISK_FULL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_page = PageScript{};
        c.script(g_page);
        LogWatch log;
        EXPECT_FALSE(PrintTestPage(Request()));
        EXPECT_EQ(c.calls, g_page.calls);
        EXPECT_EQ(0, g_page.openHandles) << "the printer handle was left open";
        const std::wstring failed = std::wstring(c.failedStep) + kPrinter;
        const std::wstring error = L" failed with error " + std::to_wstring(c.error) + L": ";
        bool logged = false;
        for (const std::wstring& record : log.NewRecords())
            logged =
                logged || (StartsWith(record, failed) && record.find(error) != std::wstring::npos);
        EXPECT_TRUE(logged) << "no record of the refused step";
        const std::vector<std::wstring> records = log.NewRecords();
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(L"测试页未能打印到 " + kPrinter, records.back());
    }
}
