// INF line rules and hardware-ID matching.
#include "pnp/inf_rules.h"

#include <gtest/gtest.h>

using namespace pnp;
using List = std::vector<std::wstring>;

namespace {

InfLines Lines(const wchar_t* text) {
    return InfLines(SplitLines(text));
}

} // namespace

TEST(InfRules, SplitLinesAsATextModeRead) {
    EXPECT_EQ((List{L"a", L"", L"b", L"c"}), SplitLines(L"a\r\n\nb\r\nc"));
    EXPECT_EQ((List{L"a\rb"}), SplitLines(L"a\rb\r\n"));
    EXPECT_EQ(List{}, SplitLines(L""));
}

TEST(InfRules, SectionsAndLineClassification) {
    const wchar_t* inf =
        L"; [Manufacturer] quoted in a comment before the header\r\n"
        L"[Version]\r\n"
        L"Signature=\"$Windows NT$\"\r\n"
        L"[Manufacturer]\r\n"
        L"  %Korvane% = Korvane_Tech,NTamd64  \r\n"
        L"\r\n"
        L"; a comment = not an entry\r\n"
        L"NoSeparatorHere\r\n"
        L"Empty =   \r\n"
        L"[Korvane_Tech]\r\n"
        L"\"Korvane KV-8200\" = KV8200, USBPRINT\\KorvaneKV-8200A1B2\r\n"
        L"\"Korvane, Ltd KV-8230\" = KV8230, LPTENUM\\KorvaneKV-8230\r\n"
        L"\"Korvane KV-8250\" = KV8250, USBPRINT\\KorvaneKV-8250, LPTENUM\\KV-8250\r\n"
        L"[Korvane_Tech.NTamd64]\r\n"
        L"\"Korvane KV-8200\" = KV8200, USBPRINT\\KorvaneKV-8200A1B2\r\n"
        L"\"Odd\" = Odd, ID[1]\r\n"
        L"\"After\" = After, NeverRead\r\n";
    struct Case {
        const wchar_t* header;
        wchar_t separator;
        bool found;
        List entries;
    } cases[] = {
        // The comment quoting the header counts as the header: reading starts after it, at
        // "[Version]", which ends the section at once.
        {L"[Manufacturer]", L'=', true, {}},
        {L"[Korvane_Tech]",
         L',',
         true,
         {L"USBPRINT\\KorvaneKV-8200A1B2", L"Ltd KV-8230\" = KV8230, LPTENUM\\KorvaneKV-8230",
          L"USBPRINT\\KorvaneKV-8250, LPTENUM\\KV-8250"}},
        // A bracket anywhere in a line ends the section.
        {L"[Korvane_Tech.NTamd64]", L',', true, {L"USBPRINT\\KorvaneKV-8200A1B2"}},
        {L"[Missing]", L',', false, {}},
    };
    for (const Case& c : cases) {
        InfLines lines = Lines(inf);
        List entries{L"stale"};
        EXPECT_EQ(c.found, lines.CollectSection(c.header, c.separator, entries)) << c.header;
        EXPECT_EQ(c.entries, entries) << c.header;
    }

    // Without the comment, the manufacturer section reads its entries, empty values included.
    InfLines clean =
        Lines(inf + wcslen(L"; [Manufacturer] quoted in a comment before the header\r\n"));
    List manufacturers;
    EXPECT_TRUE(clean.CollectSection(kManufacturerHeader, L'=', manufacturers));
    EXPECT_EQ((List{L"Korvane_Tech,NTamd64", L""}), manufacturers);
}

TEST(InfRules, ArchitectureHeadersDoNotFindEachOther) {
    InfLines only32 = Lines(L"[Korvane_Tech]\nx = y, ID32\n");
    InfLines only64 = Lines(L"[Korvane_Tech.NTamd64]\nx = y, ID64\n");
    EXPECT_FALSE(only32.FindSection(ModelSectionHeader(true)));
    EXPECT_FALSE(only64.FindSection(ModelSectionHeader(false)));
    EXPECT_TRUE(only32.FindSection(ModelSectionHeader(false)));
    EXPECT_TRUE(only64.FindSection(ModelSectionHeader(true)));
}

TEST(InfRules, FindSectionRewindsUnlessTold) {
    InfLines lines = Lines(L"[A]\n[B]\n[A]\n");
    EXPECT_TRUE(lines.FindSection(L"[B]"));
    EXPECT_TRUE(lines.FindSection(L"[A]", true)); // the second [A]
    EXPECT_FALSE(lines.FindSection(L"[B]", true));
    EXPECT_TRUE(lines.FindSection(L"[B]"));
}

TEST(InfRules, MatchHardwareIdSeparatorRule) {
    struct Case {
        List patterns;
        const wchar_t* id;
        bool match;
    } cases[] = {
        {{L"enum\\abc123"}, L"ENUM\\ABC123X", false},
        {{L"enum\\abc123"}, L"ENUM\\ABC123&REV_01", true},
        {{L"ENUM\\ABC123"}, L"ENUM\\ABC123", true},
        {{L"enum\\abc123"}, L"enum\\abc123-1", true},
        {{L"enum\\abc123"}, L"enum\\abc123#2", true},
        {{L"enum\\abc123"}, L"enum\\abc123_3", true},
        {{L"enum\\abc123"}, L"ENUM\\ABC12", false},
        // Several IDs in one entry never occur inside a single ID.
        {{L"USBPRINT\\KV-8250, LPTENUM\\KV-8250"}, L"USBPRINT\\KV-8250", false},
        // The first matching pattern decides; later ones are not needed.
        {{L"nomatch", L"usbprint\\kv"}, L"USBPRINT\\KV", true},
        // The character looked at is at the pattern's length from the start of the ID.
        {{L"ABC"}, L"XABC&", false},
        {{L"ABC"}, L"XABCD", false},
        {{}, L"ENUM\\ABC", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.match, MatchHardwareId(c.patterns, c.id)) << c.id;
}

TEST(InfRules, TrimSpace) {
    EXPECT_EQ(L"a b", TrimSpace(L" \t a b \r\n\v\f"));
    EXPECT_EQ(L"", TrimSpace(L" \t "));
}
