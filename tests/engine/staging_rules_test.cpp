// The file lists that decide what is staged, the driver's dependent-file list and the printer
// names: rules without Windows calls.
#include "engine/dependent_files.h"
#include "engine/printer_naming.h"
#include "engine/staging_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace engine;

namespace {

const char* ActionName(StagingAction action) {
    switch (action) {
    case StagingAction::Skip:
        return "Skip";
    case StagingAction::CopyIfMissing:
        return "CopyIfMissing";
    case StagingAction::CopyChecked:
        return "CopyChecked";
    }
    return "?";
}

// The names of a NUL-separated list, up to its empty name.
std::vector<std::wstring> NamesOf(const std::vector<wchar_t>& list) {
    std::vector<std::wstring> names;
    for (size_t at = 0; at < list.size() && list[at] != L'\0';) {
        std::wstring name(&list[at]);
        at += name.size() + 1;
        names.push_back(name);
    }
    return names;
}

} // namespace

TEST(StagingRules, ActionPerPackageFile) {
    struct Case {
        const wchar_t* dataFile;
        const wchar_t* file;
        StagingAction expected;
    };
    const Case cases[] = {
        // The maker's files are copied or replaced, whatever the case of their names.
        {L"KV-8200.GPD", L"QVMLMN.dll", StagingAction::CopyChecked},
        {L"KV-8200.GPD", L"qvmlmn.DLL", StagingAction::CopyChecked},
        {L"KV-8200.GPD", L"QTLM24RES.DLL", StagingAction::CopyChecked},
        {L"KV-8200.GPD", L"PrnSet.ini", StagingAction::CopyChecked},
        {L"KV-8200.GPD", L"PrnSetUI.dll", StagingAction::CopyChecked},
        // Platform files: only when missing.
        {L"KV-8200.GPD", L"unidrv.dll", StagingAction::CopyIfMissing},
        {L"KV-8200.GPD", L"UNIDRV.DLL", StagingAction::CopyIfMissing},
        {L"KV-8200.GPD", L"unidrvui.dll", StagingAction::CopyIfMissing},
        {L"KV-8200.GPD", L"unidrv.hlp", StagingAction::CopyIfMissing},
        {L"KV-8200.GPD", L"unires.dll", StagingAction::CopyIfMissing},
        {L"KV-8200.GPD", L"STDNAMES.GPD", StagingAction::CopyIfMissing},
        {L"KV-8200.GPD", L"stdschmx.gdl", StagingAction::CopyIfMissing},
        {L"KV-8200.GPD", L"PrnSetUni.dll", StagingAction::CopyIfMissing},
        // The model's own data file, and no other model's.
        {L"KV-8200.GPD", L"KV-8200.GPD", StagingAction::CopyChecked},
        {L"KV-8200.GPD", L"kv-8200.gpd", StagingAction::CopyChecked},
        {L"KV-8200.GPD", L"KV-8230.GPD", StagingAction::Skip},
        {L"KV-8200.GPD", L"24Pin.inf", StagingAction::Skip},
        {L"KV-8200.GPD", L"readme.txt", StagingAction::Skip},
        // Membership is a substring search in the list text.
        {L"KV-8200.GPD", L"res.dll", StagingAction::CopyChecked},
        {L"KV-8200.GPD", L"set.ini", StagingAction::CopyChecked},
        {L"KV-8200.GPD", L"8200.GPD", StagingAction::CopyChecked},
        {L"KV-8200.GPD", L"drv.dll", StagingAction::CopyIfMissing},
        {L"KV-8200.GPD", L"dll;unidrv", StagingAction::CopyIfMissing},
        {L"KV-8200.GPD", L"", StagingAction::Skip},
        // The OLI plug-in belongs to models whose data file says "OLI", in capitals.
        {L"KV-8200.GPD", L"OemPrUni.dll", StagingAction::Skip},
        {L"KV-8200.GPD", L"OemPR.ini", StagingAction::Skip},
        {L"KV-8250 OLI.GPD", L"OemPrUni.dll", StagingAction::CopyChecked},
        {L"KV-8250 OLI.GPD", L"oempr.INI", StagingAction::CopyChecked},
        {L"KV-8250 OLI.GPD", L"KV-8250 OLI.GPD", StagingAction::CopyChecked},
        {L"KV-8250 oli.GPD", L"OemPR.ini", StagingAction::Skip},
        {L"KV-8250 oli.GPD", L"KV-8250 OLI.GPD", StagingAction::CopyChecked},
    };
    for (const Case& c : cases) {
        const StagingLists lists = BuildStagingLists(c.dataFile);
        EXPECT_STREQ(ActionName(c.expected), ActionName(StagingActionFor(lists, c.file)))
            << "data file \"" << std::wstring(c.dataFile) << "\", file \"" << c.file << "\"";
    }
}

// The additions come in order, OLI plug-in first, and the lists are lower-cased whole.
TEST(StagingRules, ListsCarryTheAdditionsLowerCased) {
    const StagingLists oli = BuildStagingLists(L"KV-8250 OLI.GPD");
    EXPECT_EQ(L"qtlm24res.dll;stdnames.gpd;unidrv.hlp;unidrvui.dll;unidrv.dll;unires.dll;"
              L"stddtype.gdl;stdschem.gdl;stdschmx.gdl;prnset.ini;prnsetui.dll;prnsetuni.dll;"
              L"qvmlmn.dll;oempruni.dll;oempr.ini;kv-8250 oli.gpd;",
              oli.driverFiles);
    EXPECT_EQ(L"qtlm24res.dll;qvmlmn.dll;prnset.ini;prnsetui.dll;oempruni.dll;oempr.ini;"
              L"kv-8250 oli.gpd;",
              oli.makerFiles);
    const StagingLists plain = BuildStagingLists(L"KV-8200.GPD");
    EXPECT_EQ(L"qtlm24res.dll;qvmlmn.dll;prnset.ini;prnsetui.dll;kv-8200.gpd;", plain.makerFiles);
}

// A package must hold every maker's file by its whole name; a name that only holds one, as
// "res.dll" holds in "QTLM24RES.DLL", does not stand in for it.
TEST(StagingRules, MissingMakerFiles) {
    using Names = std::vector<std::wstring>;
    const Names plain = {L"QTLM24RES.DLL", L"QVMLMN.dll", L"PrnSet.ini", L"PrnSetUI.dll",
                         L"KV-8200.GPD"};
    struct Case {
        const char* what;
        const wchar_t* dataFile;
        Names found;
        Names missing;
    };
    const Case cases[] = {
        {"all found; the OLI plug-in is no other model's", L"KV-8200.GPD", plain, {}},
        {"found in another letter case",
         L"KV-8200.GPD",
         {L"qtlm24res.dll", L"QVMLMN.DLL", L"prnset.INI", L"PRNSETUI.DLL", L"kv-8200.gpd"},
         {}},
        {"found twice and beside other files",
         L"KV-8200.GPD",
         {L"unidrv.dll", L"QVMLMN.dll", L"QTLM24RES.DLL", L"QVMLMN.dll", L"PrnSet.ini",
          L"PrnSetUI.dll", L"KV-8200.GPD", L"readme.txt"},
         {}},
        {"nothing found",
         L"KV-8200.GPD",
         {},
         {L"qtlm24res.dll", L"qvmlmn.dll", L"prnset.ini", L"prnsetui.dll", L"kv-8200.gpd"}},
        {"data file missing",
         L"KV-8200.GPD",
         {L"QTLM24RES.DLL", L"QVMLMN.dll", L"PrnSet.ini", L"PrnSetUI.dll", L"KV-8230.GPD"},
         {L"kv-8200.gpd"}},
        {"parts of names do not count",
         L"KV-8200.GPD",
         {L"res.dll", L"QVMLMN.dll", L"set.ini", L"PrnSetUI.dll", L"8200.GPD"},
         {L"qtlm24res.dll", L"prnset.ini", L"kv-8200.gpd"}},
        {"names longer than the listed ones do not count",
         L"KV-8200.GPD",
         {L"QTLM24RES.DLL.bak", L"QVMLMN.dll", L"PrnSet.ini", L"PrnSetUI.dll", L"KV-8200.GPD"},
         {L"qtlm24res.dll"}},
        {"OLI model without its plug-in",
         L"KV-8250 OLI.GPD",
         {L"QTLM24RES.DLL", L"QVMLMN.dll", L"PrnSet.ini", L"PrnSetUI.dll", L"KV-8250 OLI.GPD"},
         {L"oempruni.dll", L"oempr.ini"}},
        {"OLI model with its plug-in",
         L"KV-8250 OLI.GPD",
         {L"QTLM24RES.DLL", L"QVMLMN.dll", L"PrnSet.ini", L"PrnSetUI.dll", L"OemPrUni.dll",
          L"OemPR.ini", L"KV-8250 OLI.GPD"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.missing, MissingMakerFiles(BuildStagingLists(c.dataFile), c.found));
    }
}

TEST(StagingRules, LowerAsciiLeavesOtherCharactersAlone) {
    EXPECT_EQ(L"kv-8250 oli.gpd", LowerAscii(L"KV-8250 OLI.GPD"));
    EXPECT_EQ(L"产品手册ÄÖ[@]", LowerAscii(L"产品手册ÄÖ[@]"));
}

TEST(DependentFiles, TextOfAModel) {
    EXPECT_EQ(L"QTLM24RES.DLL;STDNAMES.GPD;unires.dll;PrnSet.ini;PrnSetUI.dll;PrnSetUni.dll;",
              DependentFileText(L"KV-8200.GPD"));
    EXPECT_EQ(L"QTLM24RES.DLL;STDNAMES.GPD;unires.dll;PrnSet.ini;PrnSetUI.dll;PrnSetUni.dll;"
              L"OemPrUni.dll;OemPR.ini;",
              DependentFileText(L"KV-8250 OLI.GPD"));
    EXPECT_EQ(DependentFileText(L"KV-8200.GPD"), DependentFileText(L"KV-8250 oli.GPD"));
}

TEST(DependentFiles, ConversionToANameList) {
    const std::wstring x100(100, L'x');
    const std::wstring y100(100, L'y');
    struct Case {
        std::wstring text;
        size_t capacity;
        std::vector<std::wstring> names;
    };
    const Case cases[] = {
        {L"a;bc;", 260, {L"a", L"bc"}},
        {L"a;bc", 260, {L"a"}}, // text after the last ";" is dropped
        {L"no separator", 260, {}},
        {L"", 260, {}},
        {L";a;;b;", 260, {L"a", L"b"}}, // an empty piece would end the list early
        {x100 + L";" + y100 + L";" + x100 + L";", 260, {x100, y100}},
        {std::wstring(258, L'n') + L";", 260, {std::wstring(258, L'n')}}, // exactly full
        {std::wstring(259, L'n') + L";a;", 260, {}}, // a name that cannot fit stops the list
        {L"a;", 0, {}},
        {L"a;", 3, {L"a"}},
    };
    for (const Case& c : cases) {
        const std::vector<wchar_t> list = ToNameList(c.text, c.capacity);
        EXPECT_EQ(c.capacity < 2 ? 2 : c.capacity, list.size()) << c.text;
        EXPECT_EQ(c.names, NamesOf(list)) << c.text;
        // Zero-filled after the names: the final empty name and the rest of the buffer.
        size_t used = 0;
        for (const std::wstring& name : c.names)
            used += name.size() + 1;
        for (size_t i = used; i < list.size(); ++i)
            ASSERT_EQ(L'\0', list[i]) << c.text << " at " << i;
    }
}

TEST(DependentFiles, ListOfTheOliModel) {
    const std::vector<wchar_t> list = ToNameList(DependentFileText(L"KV-8250 OLI.GPD"));
    EXPECT_EQ(kDependentFilesCapacity, list.size());
    const std::vector<std::wstring> expected = {L"QTLM24RES.DLL", L"STDNAMES.GPD", L"unires.dll",
                                                L"PrnSet.ini",    L"PrnSetUI.dll", L"PrnSetUni.dll",
                                                L"OemPrUni.dll",  L"OemPR.ini"};
    EXPECT_EQ(expected, NamesOf(list));
}

TEST(PrinterNaming, BaseName) {
    struct Case {
        const wchar_t* model;
        const wchar_t* base;
    };
    const Case cases[] = {
        {L"KV-8200", L"Korvane KV-8200"},
        {L"KV-8250 OLI", L"Korvane KV-8250 OLI"},
        {L"Korvane KV-8200", L"Korvane KV-8200"},
        {L"Neu Korvane KV-8200", L"Neu Korvane KV-8200"}, // the prefix anywhere counts
        {L"korvane KV-8200", L"Korvane korvane KV-8200"}, // case-sensitive
        {L"KorvaneKV-8200", L"Korvane KorvaneKV-8200"},   // the space belongs to the prefix
        {L"票据打印机", L"Korvane 票据打印机"},
        {L"", L"Korvane "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::wstring(c.base), PrinterBaseName(c.model)) << c.model;
}

TEST(PrinterNaming, CopyNamesAreBuiltFromTheBase) {
    EXPECT_EQ(L"Korvane KV-8200 (副本 1)", PrinterCopyName(L"Korvane KV-8200", 1));
    EXPECT_EQ(L"Korvane KV-8200 (副本 12)", PrinterCopyName(L"Korvane KV-8200", 12));
}
