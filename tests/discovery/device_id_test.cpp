// Device ID answers and fields: where the ID text starts and ends, and what a key's value is.
#include "discovery/device_id.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace discovery;

namespace {

std::vector<unsigned char> Bytes(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

} // namespace

TEST(DeviceIdText, UsbAnswerStartsAfterTheLengthFieldAndEndsWithWhatWasReceived) {
    struct Case {
        const char* what;
        std::string answer; // as the printer wrote it into the buffer
        size_t capacity;
        size_t received;
        std::string text;
    } cases[] = {
        {"length field counts the whole ID", std::string("\x00\x0E", 2) + "MFG:K;MDL:R;", 512, 14,
         "MFG:K;MDL:R;"},
        // The text is cut by the bytes received, whatever the length field claims.
        {"length field claims more than was sent", "\xFF\xFFMFG:K;MDL:R;", 512, 14, "MFG:K;MDL:R;"},
        {"length field claims less than was sent", std::string("\x00\x03", 2) + "MFG:K;", 512, 8,
         "MFG:K;"},
        {"length field is zero", std::string("\x00\x00", 2) + "MFG:K;", 512, 8, "MFG:K;"},
        {"received stops inside the text", std::string("\x00\x0E", 2) + "MFG:K;MDL:R;", 512, 7,
         "MFG:K"},
        {"a NUL ends the text early", std::string("\x00\x10", 2) + "MFG:K;" + '\0' + "MDL:R;", 512,
         16, "MFG:K;"},
        {"only the length field", std::string("\x00\x02", 2), 512, 2, ""},
        {"one byte", "\x01", 512, 1, ""},
        {"nothing", "", 512, 0, ""},
        // A count larger than the buffer is never believed.
        {"count beyond the buffer", std::string("\x00\x08", 2) + "MFG:K;MDL:R;", 8, 4096, "MFG:K;"},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> buffer = Bytes(c.answer);
        buffer.resize(c.capacity, 'x'); // no NUL after the answer
        EXPECT_EQ(c.text, UsbDeviceIdBytes(buffer.data(), c.capacity, c.received)) << c.what;
    }
    EXPECT_EQ("", UsbDeviceIdBytes(nullptr, 512, 512));
}

// 300 bytes: the length field's first byte is 1, and the text still starts at the third byte.
TEST(DeviceIdText, UsbAnswerOfThreeHundredBytes) {
    const std::string text = "MFG:Korvane;DES:" + std::string(270, 'd') + ";MDL:RX-520;";
    ASSERT_EQ(298u, text.size());
    std::vector<unsigned char> buffer = Bytes(std::string("\x01\x2C", 2) + text);
    buffer.resize(kDeviceIdBufferBytes, 0);
    EXPECT_EQ(text, UsbDeviceIdBytes(buffer.data(), buffer.size(), 300));
}

TEST(DeviceIdText, ParallelAnswerHasNoLengthField) {
    const std::vector<unsigned char> full = Bytes("MFG:K;MDL:R;" + std::string(500, 'z'));
    ASSERT_EQ(kDeviceIdBufferBytes, full.size());
    struct Case {
        size_t capacity;
        size_t received;
        std::string text;
    } cases[] = {
        {512, 12, "MFG:K;MDL:R;"},
        {512, 5, "MFG:K"},
        {512, 0, ""},
        // Filled to the last byte without a NUL: the text ends with the buffer.
        {512, 512, "MFG:K;MDL:R;" + std::string(500, 'z')},
        {512, 100000, "MFG:K;MDL:R;" + std::string(500, 'z')},
        {6, 512, "MFG:K;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, ParallelDeviceIdBytes(full.data(), c.capacity, c.received))
            << c.capacity << " " << c.received;
}

TEST(DeviceIdField, ValueOfAKey) {
    struct Case {
        const wchar_t* id;
        const wchar_t* key;
        const wchar_t* value;
    } cases[] = {
        {L"MFG:Korvane;MDL:RX-520;CLS:PRINTER;", L"MDL:", L"RX-520"},
        {L"MFG:Korvane;MDL:RX-520;CLS:PRINTER;", L"MFG:", L"Korvane"},
        {L"MDL:RX-520;MFG:Korvane;", L"MFG:", L"Korvane"},       // any order
        {L"MFG:Korvane;MDL: RX-410 ;", L"MDL:", L"RX-410 "},     // leading blank only
        {L"MFG:Korvane;MDL:\t\r\n RX-410;", L"MDL:", L"RX-410"}, // any white space
        {L"MFG:Korvane;MDL:   ;", L"MDL:", L""},                 // white space only
        {L"MFG:Korvane;MDL:RX-410", L"MDL:", L""},               // no ';' after it
        {L"MFG:;MDL:RX-410;", L"MFG:", L""},                     // empty value
        {L"MFG:Korvane;", L"MDL:", L""},                         // key missing
        {L"mdl:RX-410;", L"MDL:", L""},                          // case-sensitive
        {L"MANUFACTURER:Korvane;MODEL:RX-520;", L"MDL:", L""},   // long keys unknown
        {L"CMD:ESC/POS,MDL:RX-1;MDL:RX-2;", L"MDL:", L"RX-1"},   // first occurrence
        {L"MFG:Korvane;MDL:", L"MDL:", L""},                     // key at the very end
        {L"", L"MDL:", L""},
        {L"MFG:Korvane;", L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value, GetDeviceIdField(c.id, c.key)) << c.id << " " << c.key;
}

// A model counts only when the ID names a manufacturer.
TEST(DeviceIdField, ModelNeedsAManufacturer) {
    struct Case {
        const wchar_t* id;
        const wchar_t* model;
    } cases[] = {
        {L"MFG:Korvane;MDL:RX-520;CLS:PRINTER;", L"RX-520"},
        {L"MDL:RX-410;", L""},
        {L"MFG:;MDL:RX-410;", L""},
        {L"MFG: ;MDL:RX-410;", L""},
        {L"MFG:Korvane;MDL:RX-410", L""},
        {L"MFG:Other maker;MDL:Z-1;", L"Z-1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.model, ModelOfDeviceId(c.id)) << c.id;
}

// The caller's buffer gets at most capacity - 1 characters and a NUL; nothing past it is touched.
TEST(DeviceIdField, CopyIsCutToTheBuffer) {
    struct Case {
        std::wstring text;
        size_t capacity;
        std::wstring copied;
    } cases[] = {
        {L"RX-520", 260, L"RX-520"},
        {std::wstring(259, L'm'), 260, std::wstring(259, L'm')},
        {std::wstring(300, L'm'), 260, std::wstring(259, L'm')},
        {L"RX-520", 1, L""},
        {L"", 260, L""},
    };
    for (const Case& c : cases) {
        std::vector<wchar_t> buffer(c.capacity + 8, L'#');
        ASSERT_TRUE(CopyToBuffer(c.text, buffer.data(), c.capacity));
        EXPECT_EQ(c.copied, std::wstring(buffer.data()));
        for (size_t i = c.copied.size() + 1; i < buffer.size(); ++i)
            ASSERT_EQ(L'#', buffer[i]) << "written at " << i << " of " << c.capacity;
    }
    wchar_t untouched[1] = {L'#'};
    EXPECT_FALSE(CopyToBuffer(L"RX-520", untouched, 0));
    EXPECT_EQ(L'#', untouched[0]);
    EXPECT_FALSE(CopyToBuffer(L"RX-520", nullptr, 260));
}
