// The test receipt's text.
#include "engine/test_page_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace engine;

namespace {

std::vector<std::wstring> LinesOf(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(text.size(), start) << "text after the last line end";
    return lines;
}

TestPageFields Fields() {
    TestPageFields f;
    f.model = L"KV-8250 OLI";
    f.driver = L"Korvane KV-8250 OLI";
    f.printer = L"Korvane KV-8250 OLI (副本 2)";
    f.port = L"USB001";
    f.year = 2026;
    f.month = 3;
    f.day = 7;
    f.hour = 9;
    f.minute = 5;
    f.second = 0;
    return f;
}

} // namespace

TEST(TestPageText, FieldsOnLinesOfTheirOwnEndingInCrLfThenFeeds) {
    const std::wstring text = TestPageText(Fields());
    // No bare line feed or carriage return: every line end is CR LF.
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] == L'\n') {
            ASSERT_TRUE(at > 0 && text[at - 1] == L'\r') << at;
        }
        if (text[at] == L'\r') {
            ASSERT_TRUE(at + 1 < text.size() && text[at + 1] == L'\n') << at;
        }
    }
    const std::vector<std::wstring> lines = LinesOf(text);
    const std::vector<std::wstring> expected = {
        L"Korvane 打印测试页",
        L"--------------------------------",
        L"型号：KV-8250 OLI",
        L"驱动程序：Korvane KV-8250 OLI",
        L"打印机：Korvane KV-8250 OLI (副本 2)",
        L"端口：USB001",
        L"时间：2026-03-07 09:05:00",
        L"--------------------------------",
        L"打印机已安装，可以使用。",
    };
    ASSERT_EQ(expected.size() + kTestPageFeedLines, lines.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(expected[i], lines[i]);
    for (size_t i = expected.size(); i < lines.size(); ++i)
        EXPECT_EQ(L"", lines[i]) << i;
    EXPECT_GE(kTestPageFeedLines, 3);
}

TEST(TestPageText, ControlCharactersInANameCannotBreakALine) {
    TestPageFields f = Fields();
    f.port = L"LPT1:\r\n\x0C";
    f.model = std::wstring(L"KV\0X", 4) + L"\t\x1B";
    const std::vector<std::wstring> lines = LinesOf(TestPageText(f));
    ASSERT_EQ(9u + kTestPageFeedLines, lines.size());
    EXPECT_EQ(L"端口：LPT1:   ", lines[5]);
    EXPECT_EQ(L"型号：KV X  ", lines[2]);
}
