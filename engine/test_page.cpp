// The test receipt sent through the spooler.
#include "engine/test_page.h"

#include "engine/install_log.h"
#include "engine/spooler_api.h"
#include "engine/test_page_text.h"
#include "win/text.h"

#include <winspool.h>

#include <vector>

namespace engine {

namespace {

const wchar_t kDocumentName[] = L"Korvane 测试页";

std::vector<wchar_t> Writable(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    return buffer;
}

// Writes all of `bytes`, call after call as the spooler takes part of them; false at a refused
// call or one that takes nothing.
bool WriteAll(const SpoolerApi& spooler, HANDLE printer, const std::wstring& printerName,
              const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD asked = static_cast<DWORD>(bytes.size() - done);
        DWORD written = 0;
        const BOOL ok =
            spooler.WritePrinter(printer, const_cast<char*>(bytes.data() + done), asked, &written);
        const DWORD error = ok ? 0 : ::GetLastError();
        WriteInstallStep(L"WritePrinter " + printerName + L" " + std::to_wstring(written) + L"/" +
                             std::to_wstring(asked),
                         ok && written == 0 ? ERROR_WRITE_FAULT : error);
        if (!ok || written == 0 || written > asked)
            return false;
        done += written;
    }
    return true;
}

// One RAW document of one page on the open printer, then the printer closed. Whatever was
// begun is ended, also after a refused call: the page, the document (so no job is left open)
// and the handle. True when every byte was written and the page and document ended.
bool PrintAndClose(const SpoolerApi& spooler, HANDLE printer, const std::wstring& name,
                   const std::string& bytes) {
    std::vector<wchar_t> documentName = Writable(kDocumentName);
    std::vector<wchar_t> dataType = Writable(L"RAW");
    DOC_INFO_1W document{};
    document.pDocName = documentName.data();
    document.pOutputFile = nullptr; // to the queue's port
    document.pDatatype = dataType.data();
    const DWORD job = spooler.StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&document));
    WriteInstallStep(L"StartDocPrinter " + name + L" RAW", job != 0 ? 0 : ::GetLastError());

    bool printed = false;
    if (job != 0) {
        const BOOL pageStarted = spooler.StartPagePrinter(printer);
        WriteInstallStep(L"StartPagePrinter " + name, pageStarted ? 0 : ::GetLastError());
        if (pageStarted) {
            const bool written = WriteAll(spooler, printer, name, bytes);
            const BOOL pageEnded = spooler.EndPagePrinter(printer);
            WriteInstallStep(L"EndPagePrinter " + name, pageEnded ? 0 : ::GetLastError());
            printed = written && pageEnded;
        }
        const BOOL documentEnded = spooler.EndDocPrinter(printer);
        WriteInstallStep(L"EndDocPrinter " + name, documentEnded ? 0 : ::GetLastError());
        printed = printed && documentEnded;
    }
    const BOOL closed = spooler.ClosePrinter(printer);
    WriteInstallStep(L"ClosePrinter " + name, closed ? 0 : ::GetLastError());
    return printed;
}

} // namespace

std::string TestPageBytes(const TestPageRequest& request, const SYSTEMTIME& time) {
    TestPageFields fields;
    fields.model = request.modelName;
    fields.driver = request.driverName;
    fields.printer = request.printerName;
    fields.port = request.portName;
    fields.year = time.wYear;
    fields.month = time.wMonth;
    fields.day = time.wDay;
    fields.hour = time.wHour;
    fields.minute = time.wMinute;
    fields.second = time.wSecond;
    return win::ToCodePage(TestPageText(fields), kPrinterCodePage);
}

bool PrintTestPage(const TestPageRequest& request) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const std::string bytes = TestPageBytes(request, now);
    const std::wstring& name = request.printerName;
    const SpoolerApi& spooler = Spooler();

    std::vector<wchar_t> printerName = Writable(name);
    HANDLE printer = nullptr;
    const BOOL opened = spooler.OpenPrinterW(printerName.data(), &printer, nullptr);
    WriteInstallStep(L"OpenPrinter " + name, opened ? 0 : ::GetLastError());
    const bool printed = opened && PrintAndClose(spooler, printer, name, bytes);
    WriteInstallLog(std::wstring(printed ? L"测试页已发送到 " : L"测试页未能打印到 ") + name,
                    false);
    return printed;
}

} // namespace engine
