// The Fonts value name of a font file, read from name tables built here byte by byte: rules
// without Windows calls.
#include "engine/font_names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace engine;

namespace {

constexpr std::uint32_t kTrueType = 0x00010000;
constexpr std::uint32_t kOtto = 0x4F54544F;

void Put16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
    out.push_back(static_cast<char>(value & 0xFF));
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
}

struct NameRecord {
    std::uint16_t platform, encoding, language, nameId;
    std::wstring text;
};

// A name table: its records in the order given, each string stored after the records (UTF-16BE
// for the Windows platform, one byte a character otherwise).
std::string NameTable(const std::vector<NameRecord>& records) {
    std::string table, strings;
    Put16(table, 0);
    Put16(table, static_cast<std::uint32_t>(records.size()));
    Put16(table, static_cast<std::uint32_t>(6 + 12 * records.size()));
    for (const NameRecord& r : records) {
        std::string text;
        for (wchar_t c : r.text) {
            if (r.platform == 3)
                Put16(text, static_cast<std::uint32_t>(c));
            else
                text.push_back(static_cast<char>(c));
        }
        Put16(table, r.platform);
        Put16(table, r.encoding);
        Put16(table, r.language);
        Put16(table, r.nameId);
        Put16(table, static_cast<std::uint32_t>(text.size()));
        Put16(table, static_cast<std::uint32_t>(strings.size()));
        strings += text;
    }
    return table + strings;
}

// A font at `base` in a file: the offset table, a "head" record and the "name" record, then the
// name table. nameOffsetShift moves the name table's offset as the directory gives it.
std::string Face(std::uint32_t version, const std::string& nameTable, std::uint32_t base = 0,
                 std::uint32_t nameOffsetShift = 0) {
    std::string face;
    Put32(face, version);
    Put16(face, 2); // tables
    Put16(face, 0);
    Put16(face, 0);
    Put16(face, 0);
    const std::uint32_t nameAt = base + 12 + 2 * 16;
    face += "head";
    Put32(face, 0);
    Put32(face, nameAt);
    Put32(face, 0);
    face += "name";
    Put32(face, 0);
    Put32(face, nameAt + nameOffsetShift);
    Put32(face, static_cast<std::uint32_t>(nameTable.size()));
    return face + nameTable;
}

// A collection of the faces, each with its own name table.
std::string Collection(const std::vector<std::string>& nameTables, std::uint32_t count = 0) {
    std::string file = "ttcf";
    Put32(file, 0x00010000);
    Put32(file, count != 0 ? count : static_cast<std::uint32_t>(nameTables.size()));
    std::uint32_t at = static_cast<std::uint32_t>(12 + 4 * nameTables.size());
    std::string faces;
    for (const std::string& table : nameTables) {
        Put32(file, at);
        const std::string face = Face(kTrueType, table, at);
        faces += face;
        at += static_cast<std::uint32_t>(face.size());
    }
    return file + faces;
}

FontFileReader Reader(const std::string& file) {
    return [file](std::uint32_t offset, std::uint32_t length) {
        return offset >= file.size() ? std::string() : file.substr(offset, length);
    };
}

const NameRecord kEnglish{3, 1, 0x0409, 4, L"Korvane Mono"};
const NameRecord kChinese{3, 1, 0x0804, 4, L"柯瓦内等宽"};
const NameRecord kMac{1, 0, 0, 4, L"Korvane Mono Mac"};
const NameRecord kFamily{3, 1, 0x0409, 1, L"Korvane"};

} // namespace

TEST(FontNames, FullNameFromTheNameTable) {
    const std::string good = NameTable({kFamily, kEnglish});
    const struct {
        const char* what;
        std::string file;
        std::wstring name;
    } cases[] = {
        {"Windows English full name", Face(kTrueType, good), L"Korvane Mono"},
        {"Apple 'true' outlines", Face(0x74727565, good), L"Korvane Mono"},
        {"PostScript outlines", Face(kOtto, good), L"Korvane Mono"},
        {"English preferred, whatever the order",
         Face(kTrueType, NameTable({kChinese, kEnglish, kMac})), L"Korvane Mono"},
        {"another Windows language before the Macintosh name",
         Face(kTrueType, NameTable({kMac, kChinese})), L"柯瓦内等宽"},
        {"only the Macintosh name", Face(kTrueType, NameTable({kMac})), L"Korvane Mono Mac"},
        {"no full name", Face(kTrueType, NameTable({kFamily})), L""},
        {"blanks and control characters",
         Face(kTrueType, NameTable({{3, 1, 0x0409, 4, L"  Korvane\r\n Mono \t"}})),
         L"Korvane Mono"},
        {"an empty English name is passed over",
         Face(kTrueType, NameTable({{3, 1, 0x0409, 4, L" "}, kChinese})), L"柯瓦内等宽"},
        {"Unicode platform records are not used",
         Face(kTrueType, NameTable({{0, 3, 0, 4, L"Korvane Unicode"}})), L""},
        {"collection of two faces",
         Collection({good, NameTable({{3, 1, 0x0409, 4, L"Korvane Mono Bold"}})}),
         L"Korvane Mono & Korvane Mono Bold"},
        {"collection with a face without a name", Collection({good, NameTable({kFamily})}), L""},
        {"collection claiming 100000 faces", Collection({good}, 100000), L""},
        {"not a font", "DejaVu fonts are free software; see the licence.\n", L""},
        {"empty file", "", L""},
        {"header cut short", Face(kTrueType, good).substr(0, 10), L""},
        {"directory cut short", Face(kTrueType, good).substr(0, 40), L""},
        {"name table cut short", Face(kTrueType, good).substr(0, 60), L""},
        {"name table beyond the end", Face(kTrueType, good, 0, 1 << 20), L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.name, ReadFontFullName(Reader(c.file)));
    }
}

// Records whose strings lie outside the table, or that claim more records than the table holds,
// are passed over without reading beyond it.
TEST(FontNames, BrokenRecordsArePassedOver) {
    std::string table = NameTable({kChinese, kEnglish});
    // The English record's string offset (record 2, field 6) pointed far past the strings.
    table[6 + 12 + 10] = '\x7F';
    EXPECT_EQ(L"柯瓦内等宽", ReadFontFullName(Reader(Face(kTrueType, table))));
    // A count of 0xFFFF records in a table that holds two.
    std::string counted = NameTable({kChinese, kEnglish});
    counted[2] = counted[3] = '\xFF';
    EXPECT_EQ(L"Korvane Mono", ReadFontFullName(Reader(Face(kTrueType, counted))));
}

TEST(FontNames, RegistryValueName) {
    const std::string good = NameTable({kEnglish});
    const struct {
        const char* what;
        std::wstring fileName;
        std::string file;
        std::wstring valueName;
    } cases[] = {
        {"TrueType", L"kvmono.ttf", Face(kTrueType, good), L"Korvane Mono (TrueType)"},
        {"collection", L"kvmono.ttc", Collection({good, good}),
         L"Korvane Mono & Korvane Mono (TrueType)"},
        {"PostScript outlines", L"kvmono.otf", Face(kOtto, good), L"Korvane Mono (OpenType)"},
        // Without a readable name, the file's title stands in for it.
        {"no full name", L"KV Mono-Bold.ttf", Face(kTrueType, NameTable({kFamily})),
         L"KV Mono-Bold (TrueType)"},
        {"unreadable file", L"kv.mono.TTF", "", L"kv.mono (TrueType)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.valueName, FontRegistryName(c.fileName, Reader(c.file)));
    }
}

TEST(FontNames, FontFilesByExtension) {
    for (const wchar_t* name : {L"DejaVuSansMono.ttf", L"SIMSUN.TTC", L"kv.Otf", L"a.b.ttf"})
        EXPECT_TRUE(IsFontFileName(name)) << name;
    for (const wchar_t* name :
         {L"DejaVu-LICENSE.txt", L"ttf", L"font.ttf.txt", L"font.fon", L"font", L".ttfx"})
        EXPECT_FALSE(IsFontFileName(name)) << name;
}

// What the start-up copy puts into the Fonts folder: font files only.
TEST(FontNames, FontFilesToCopy) {
    const struct {
        const wchar_t* name;
        bool copied;
    } cases[] = {
        {L"DejaVuSansMono.ttf", true},
        {L"SIMSUN.TTC", true},
        {L"kv.Otf", true},
        {L"serife.fon", true},
        {L"MODERN.FNT", true},
        {L"a.b.fon", true},
        {L"DejaVu-LICENSE.txt", false},
        {L"readme", false},
        {L"font.fon.txt", false},
        {L"fon", false},
        {L"font.fonx", false},
        {L"setup.ini", false},
        {L"driver.cat", false},
        {L"fonts.fnt.bak", false},
        {L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.copied, IsFontFileToCopy(c.name)) << c.name;
}
