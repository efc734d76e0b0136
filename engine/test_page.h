// A short test receipt printed RAW to a newly installed queue, through the spooler's entries
// (engine/spooler_api.h). Never shows a window.
#pragma once

#include <windows.h>

#include <string>

namespace engine {

struct TestPageRequest {
    std::wstring printerName; // the queue to print to
    std::wstring modelName;   // catalogue name
    std::wstring driverName;
    std::wstring portName;
};

// The printers' own code page: they print Chinese from GBK bytes, whatever the PC's locale.
constexpr unsigned kPrinterCodePage = 936;

// The bytes sent: TestPageText of the request at `time`, in the printers' code page (GBK), so that
// a PC set to another language does not send "?" for every Chinese character.
std::string TestPageBytes(const TestPageRequest& request, const SYSTEMTIME& time);

// Prints the receipt, dated with the local time, as one RAW document of one page: OpenPrinterW,
// StartDocPrinterW, StartPagePrinter, WritePrinter until every byte is taken, EndPagePrinter,
// EndDocPrinter, ClosePrinter. Each call goes into the install log with its error. A refused
// call ends what was begun (page, document, printer handle) before the result: true only when
// every byte was written and the document ended.
bool PrintTestPage(const TestPageRequest& request);

} // namespace engine
