// The pre-flight's rules: INF model lines of the catalogue models, missing names, a PE file's
// machine type.
#include "job/preflight_rules.h"
#include "pnp/inf_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace engine;
using namespace job;
using List = std::vector<std::wstring>;

namespace {

std::vector<pnp::InfEntry> Entries(const wchar_t* text, const wchar_t* header) {
    pnp::InfLines lines(pnp::SplitLines(text));
    std::vector<pnp::InfEntry> entries;
    lines.CollectEntries(header, L'=', entries);
    return entries;
}

// A PE head: "MZ", e_lfanew at 0x3C, "PE\0\0" and the machine there.
std::string PeHead(unsigned long offset, unsigned machine, size_t size = 512) {
    std::string head(size, '\0');
    head[0] = 'M';
    head[1] = 'Z';
    for (int i = 0; i < 4; ++i)
        head[0x3C + i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
    if (offset + 6 <= size) {
        head.replace(offset, 4, std::string("PE\0\0", 4));
        head[offset + 4] = static_cast<char>(machine & 0xFF);
        head[offset + 5] = static_cast<char>(machine >> 8);
    }
    return head;
}

} // namespace

TEST(PreflightRules, InfEntriesSplitAtTheFirstSeparatorOutsideQuotes) {
    const auto entries = Entries(L"[Korvane_Tech.NTamd64]\r\n"
                                 L"  \"Korvane KV-8200\" = KV8200.INSTALL, USBPRINT\\A  \r\n"
                                 L"; \"Korvane KV-8230\" = commented out\r\n"
                                 L"\"Korvane = Ltd KV-8230\" = KV8230\r\n"
                                 L"%KV8260% = KV8260\r\n"
                                 L"NoSeparator\r\n"
                                 L"[Next]\r\n"
                                 L"\"Korvane KV-8280\" = KV8280\r\n",
                                 L"[Korvane_Tech.NTamd64]");
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(L"\"Korvane KV-8200\"", entries[0].key);
    EXPECT_EQ(L"KV8200.INSTALL, USBPRINT\\A", entries[0].value);
    EXPECT_EQ(L"\"Korvane = Ltd KV-8230\"", entries[1].key);
    EXPECT_EQ(L"KV8230", entries[1].value);
    EXPECT_EQ(L"%KV8260%", entries[2].key);
}

TEST(PreflightRules, InfTextUnquotedAndStringsExpanded) {
    const std::vector<pnp::InfEntry> strings = {{L"Korvane", L"\"Korvane\""},
                                                {L"kv8260", L"\"Korvane KV-8260\""}};
    const struct {
        const wchar_t* text;
        const wchar_t* expanded;
    } cases[] = {
        {L"%Korvane% KV-8200", L"Korvane KV-8200"},
        {L"%KV8260%", L"Korvane KV-8260"}, // the value unquoted
        {L"%KORVANE%", L"Korvane"},        // keys without regard to case
        {L"%Unknown% x", L"%Unknown% x"},  // no entry: kept
        {L"100%% sure", L"100% sure"},
        {L"50% off", L"50% off"}, // a lone percent sign
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expanded, pnp::ExpandInfStrings(c.text, strings)) << c.text;
    EXPECT_EQ(L"Korvane KV-8200", pnp::UnquoteInfText(L"\"Korvane KV-8200\""));
    EXPECT_EQ(L"say \"hi\"", pnp::UnquoteInfText(L"\"say \"\"hi\"\"\""));
    EXPECT_EQ(L"plain", pnp::UnquoteInfText(L"plain"));
    EXPECT_EQ(L"\"", pnp::UnquoteInfText(L"\""));
}

TEST(PreflightRules, CatalogueModelsWithoutAnInfLine) {
    const auto lines = Entries(L"[M]\r\n"
                               L"\"Korvane KV-8200\" = A, ID1\r\n"
                               L"\"korvane kv-8230\" = B, ID2\r\n"
                               L"%KV8260% = C, ID3\r\n"
                               L"\"Korvane KV-8250\" = D, ID4\r\n",
                               L"[M]");
    const std::vector<pnp::InfEntry> strings = {{L"KV8260", L"\"Korvane KV-8260\""}};
    const struct {
        List models;
        List missing;
    } cases[] = {
        {{L"KV-8200", L"KV-8230", L"KV-8260"}, {}},
        // "KV-8250 OLI" is not "KV-8250": descriptions compare whole.
        {{L"KV-8250 OLI", L"KV-8200", L"KV-8280"}, {L"KV-8250 OLI", L"KV-8280"}},
        // A model that already carries the maker's name has it once in its description.
        {{L"Korvane KV-8200"}, {}},
        {{}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.missing, ModelsWithoutInfLine(lines, strings, c.models));
    // Without [Strings] the token is not a description of any model.
    EXPECT_EQ(List{L"KV-8260"}, ModelsWithoutInfLine(lines, {}, {L"KV-8260"}));
}

TEST(PreflightRules, NamesMissingWholeWithoutRegardToCase) {
    EXPECT_EQ((List{L"QVMLMN.dll", L"KV-8280.GPD"}),
              NamesMissingFrom({L"QTLM24RES.DLL", L"QVMLMN.dll", L"KV-8280.GPD", L"qvmlmn.DLL"},
                               {L"qtlm24res.dll", L"QVMLMN.dll.bak", L"KV-8280.GP"}));
    EXPECT_EQ(List{}, NamesMissingFrom({}, {L"a"}));
    EXPECT_EQ(L"a, b", JoinNames({L"a", L"b"}));
    EXPECT_EQ(L"", JoinNames({}));
}

TEST(PreflightRules, AllRowsOkNeedsRowsAndEveryOneOk) {
    EXPECT_FALSE(AllRowsOk({}));
    EXPECT_TRUE(AllRowsOk({{kCheckPackage, true, L""}, {kCheckInf, true, L""}}));
    EXPECT_FALSE(AllRowsOk({{kCheckPackage, true, L""}, {kCheckInf, false, L"x"}}));
}

TEST(PreflightRules, PeMachineFromTheHeader) {
    const struct {
        const char* name;
        std::string head;
        unsigned machine;
    } cases[] = {
        {"x64", PeHead(0x80, 0x8664), 0x8664},
        {"x86", PeHead(0xF8, 0x14C), 0x14C},
        {"arm64", PeHead(0x80, 0xAA64), 0xAA64},
        {"PE header beyond the bytes read", PeHead(0x1000, 0x8664), 0},
        {"PE header cut short", PeHead(0x1FC, 0x8664), 0},
        {"no MZ", std::string(512, 'x'), 0},
        {"too short", std::string("MZ"), 0},
        {"empty", std::string(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.machine, PeMachineOf(c.head)) << c.name;
    std::string noSignature = PeHead(0x80, 0x8664);
    noSignature[0x81] = 'X';
    EXPECT_EQ(0u, PeMachineOf(noSignature));

    EXPECT_EQ(0x8664u, MachineOfPlatform(PackagePlatform::X64));
    EXPECT_EQ(0x14Cu, MachineOfPlatform(PackagePlatform::X86));
    EXPECT_EQ(0u, MachineOfPlatform(PackagePlatform::None));
    EXPECT_EQ(L"x64", MachineName(0x8664));
    EXPECT_EQ(L"x86", MachineName(0x14C));
    EXPECT_EQ(L"0xAA64", MachineName(0xAA64));
}
