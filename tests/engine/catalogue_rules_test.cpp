// The catalogue's plain rules: its encodings, UTF-8 decoding, readable paths, and which model
// names the wizard offers.
#include "engine/catalogue_text.h"
#include "engine/model_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace engine;

TEST(CatalogueText, EncodingOfTheBytes) {
    const struct {
        const char* what;
        std::string bytes;
        TextEncoding encoding;
    } cases[] = {
        {"empty file", "", TextEncoding::Ansi},
        {"ASCII only", "[VID_PID]\r\nVID=vid_d23c\r\n", TextEncoding::Ansi},
        {"UTF-16LE mark", std::string("\xFF\xFE[\0", 4), TextEncoding::Utf16Le},
        {"UTF-8 mark, ASCII after it", "\xEF\xBB\xBF[Line]\r\n", TextEncoding::Utf8},
        {"UTF-8 mark alone", "\xEF\xBB\xBF", TextEncoding::Utf8},
        // "[82列票据打印机]" as editors save it.
        {"UTF-8 without mark",
         "[82\xE5\x88\x97\xE7\xA5\xA8\xE6\x8D\xAE\xE6\x89\x93\xE5\x8D\xB0\xE6\x9C\xBA]",
         TextEncoding::Utf8},
        // The same in GBK, the ANSI code page 936 of the users' machines.
        {"GBK", "[82\xC1\xD0\xC6\xB1\xBE\xDD\xB4\xF2\xD3\xA1\xBB\xFA]", TextEncoding::Ansi},
        {"binary", std::string("\x00\x01\x9F\xFF\xC3", 5), TextEncoding::Ansi},
        {"UTF-8 cut in a character", "[82\xE5\x88", TextEncoding::Ansi},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.encoding, DetectTextEncoding(c.bytes)) << c.what;
}

TEST(CatalogueText, Utf8Decoding) {
    const struct {
        const char* what;
        std::string bytes;
        bool wellFormed;
        std::wstring text;
    } cases[] = {
        {"ASCII", "Counts=5", true, L"Counts=5"},
        {"mark dropped", "\xEF\xBB\xBFKV", true, L"KV"},
        {"mark only at the start", "K\xEF\xBB\xBF", true, std::wstring(L"K\uFEFF")},
        {"two-byte", "\xC2\xA9", true, L"\u00A9"},
        {"three-byte", "\xE5\x88\x97", true, L"\u5217"},
        {"four-byte as a surrogate pair", "\xF0\x9F\x98\x80", true, L"\xD83D\xDE00"},
        {"highest character", "\xF4\x8F\xBF\xBF", true, L"\xDBFF\xDFFF"},
        {"stray continuation", "\x80", false, L""},
        {"cut short", "\xE5\x88", false, L""},
        {"overlong slash", "\xC0\xAF", false, L""},
        {"overlong three-byte", "\xE0\x80\xAF", false, L""},
        {"surrogate", "\xED\xA0\x80", false, L""},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false, L""},
        {"lead without room", "\xF5\x80\x80\x80", false, L""},
        {"ASCII where a continuation belongs",
         "\xE5"
         "A\x97",
         false, L""},
    };
    for (const auto& c : cases) {
        std::wstring text = L"stale";
        EXPECT_EQ(c.wellFormed, DecodeUtf8(c.bytes, text)) << c.what;
        if (c.wellFormed) {
            EXPECT_EQ(c.text, text) << c.what;
        }
    }
}

TEST(CatalogueText, Utf16FileBytes) {
    EXPECT_EQ(std::string("\xFF\xFE", 2), Utf16LeFileBytes(L""));
    EXPECT_EQ(std::string("\xFF\xFEK\0\x17\x52", 6), Utf16LeFileBytes(L"K\u5217"));
}

TEST(CatalogueText, ReadablePaths) {
    const std::wstring folder = L"C:\\dist\\";
    const struct {
        std::wstring path;
        bool readable;
    } cases[] = {
        {folder + L"PrinterInfo.ini", true},
        {L"\\PrinterInfo.ini", false}, // the program's folder unknown: the root of the drive
        {L"PrinterInfo.ini", false},
        {L"", false},
        {folder + std::wstring(259 - folder.size() - 16, L'd') + L"\\PrinterInfo.ini", true},
        {folder + std::wstring(260 - folder.size() - 16, L'd') + L"\\PrinterInfo.ini", false},
        {folder + std::wstring(400, L'd') + L"\\PrinterInfo.ini", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.readable, IsReadableCataloguePath(c.path)) << c.path.size();
}

TEST(ModelNames, FaultsOfOneName) {
    const struct {
        std::wstring name;
        ModelNameFault fault;
    } cases[] = {
        {L"KV-8200", ModelNameFault::None},
        {L"KV-8250 OLI", ModelNameFault::None},
        {L"票据 80 型", ModelNameFault::None},
        {L"KV.8200", ModelNameFault::None},
        {L"..", ModelNameFault::None},
        {L"CONSOLE", ModelNameFault::None},
        {L"COM10", ModelNameFault::None},
        {std::wstring(kLongestModelName, L'M'), ModelNameFault::None},
        {L"", ModelNameFault::Empty},
        {std::wstring(kLongestModelName + 1, L'M'), ModelNameFault::TooLong},
        {L"..\\..\\KV", ModelNameFault::ForbiddenCharacter},
        {L"KV\\8200", ModelNameFault::ForbiddenCharacter},
        {L"KV,8200", ModelNameFault::ForbiddenCharacter},
        {L"KV/8200", ModelNameFault::ForbiddenCharacter},
        {L"KV:8200", ModelNameFault::ForbiddenCharacter},
        {L"KV*", ModelNameFault::ForbiddenCharacter},
        {L"KV?", ModelNameFault::ForbiddenCharacter},
        {L"KV\"8200", ModelNameFault::ForbiddenCharacter},
        {L"<KV>", ModelNameFault::ForbiddenCharacter},
        {L"KV|8200", ModelNameFault::ForbiddenCharacter},
        {L"KV\t8200", ModelNameFault::ForbiddenCharacter},
        {std::wstring(L"KV\x1F"), ModelNameFault::ForbiddenCharacter},
        {L"CON", ModelNameFault::ReservedFileName},
        {L"nul", ModelNameFault::ReservedFileName},
        {L"Prn.x", ModelNameFault::ReservedFileName},
        {L"AUX ", ModelNameFault::ReservedFileName},
        {L"com1", ModelNameFault::ReservedFileName},
        {L"LPT9", ModelNameFault::ReservedFileName},
        {L"LPT\u00B9", ModelNameFault::ReservedFileName},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.fault, ModelNameFaultOf(c.name)) << std::string(c.name.begin(), c.name.end());
}

TEST(ModelNames, OfferedOnceInCatalogueOrder) {
    const std::vector<std::wstring> entries = {
        L"KV-8200", L"",        L"KV/8200", L"KV-8230",
        L"kv-8200", L"KV-8200", L"CON",     std::wstring(127, L'x'),
        L"KV-8260"};
    const OfferedModels offered = SelectOfferedModels(entries);
    EXPECT_EQ((std::vector<std::wstring>{L"KV-8200", L"KV-8230", L"KV-8260"}), offered.names);
    ASSERT_EQ(5u, offered.leftOut.size());
    const ModelNameFault faults[] = {ModelNameFault::ForbiddenCharacter, ModelNameFault::Duplicate,
                                     ModelNameFault::Duplicate, ModelNameFault::ReservedFileName,
                                     ModelNameFault::TooLong};
    const std::wstring names[] = {L"KV/8200", L"kv-8200", L"KV-8200", L"CON",
                                  std::wstring(127, L'x')};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(names[i], offered.leftOut[i].name) << i;
        EXPECT_EQ(faults[i], offered.leftOut[i].fault) << i;
    }
    EXPECT_TRUE(SelectOfferedModels({}).names.empty());
    EXPECT_TRUE(SelectOfferedModels({L"", L""}).leftOut.empty()) << "empty entries are skipped";
}

TEST(ModelNames, LogTexts) {
    EXPECT_EQ(L"型号 \"KV/8200\" 未列出：含有打印机名称或文件名不能使用的字符 /",
              LeftOutModelText({L"KV/8200", ModelNameFault::ForbiddenCharacter}));
    EXPECT_EQ(L"型号 \"KV\t\" 未列出：含有控制字符 9",
              LeftOutModelText({L"KV\t", ModelNameFault::ForbiddenCharacter}));
    EXPECT_EQ(L"型号 \"CON\" 未列出：其数据文件名是 Windows 保留的设备名",
              LeftOutModelText({L"CON", ModelNameFault::ReservedFileName}));
    EXPECT_EQ(L"型号 \"kv\" 未列出：与前面的型号重复",
              LeftOutModelText({L"kv", ModelNameFault::Duplicate}));
    EXPECT_EQ(L"型号 \"x\" 未列出：长于 126 个字符",
              LeftOutModelText({L"x", ModelNameFault::TooLong}));
    EXPECT_EQ(L"产品目录列出 10000 个型号，只能显示前 512 个，未列出 9488 个",
              ModelsBeyondCapacityText(10000, 512));
}
