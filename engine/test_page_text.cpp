// The test receipt's text.
#include "engine/test_page_text.h"

#include <cstdio>

namespace engine {

namespace {

const wchar_t kLineEnd[] = L"\r\n";
const wchar_t kRule[] = L"--------------------------------";

std::wstring OneLine(std::wstring text) {
    for (wchar_t& c : text)
        if (c < 0x20 || c == 0x7F)
            c = L' ';
    return text;
}

} // namespace

std::wstring TestPageText(const TestPageFields& fields) {
    wchar_t time[64];
    std::swprintf(time, 64, L"%04d-%02d-%02d %02d:%02d:%02d", fields.year, fields.month, fields.day,
                  fields.hour, fields.minute, fields.second);
    std::wstring text;
    const auto line = [&text](const std::wstring& content) { text += content + kLineEnd; };
    line(L"Korvane 打印测试页");
    line(kRule);
    line(L"型号：" + OneLine(fields.model));
    line(L"驱动程序：" + OneLine(fields.driver));
    line(L"打印机：" + OneLine(fields.printer));
    line(L"端口：" + OneLine(fields.port));
    line(L"时间：" + std::wstring(time));
    line(kRule);
    line(L"打印机已安装，可以使用。");
    for (int i = 0; i < kTestPageFeedLines; ++i)
        line(L"");
    return text;
}

} // namespace engine
