// The text of the test receipt printed to a new queue. No Windows calls.
#pragma once

#include <string>

namespace engine {

// What the receipt names, and the local date and time it was printed at.
struct TestPageFields {
    std::wstring model;   // catalogue name, "KV-8200"
    std::wstring driver;  // "Korvane KV-8200"
    std::wstring printer; // the queue, "Korvane KV-8200 (副本 1)"
    std::wstring port;    // "USB001", "LPT1:"
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Empty lines after the text, so that a receipt printer feeds the last line past its tear bar.
constexpr int kTestPageFeedLines = 5;

// The receipt: a title, one line per field ("型号：KV-8200", …, "时间：2026-12-10 09:05:03"), a
// closing line and kTestPageFeedLines empty lines; every line ends with CR LF. Control characters
// in a field become spaces, so no name can break or end a line.
std::wstring TestPageText(const TestPageFields& fields);

} // namespace engine
