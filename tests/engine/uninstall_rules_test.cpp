// The Apps & Features entry's texts and the drivers a removal takes as the product's: rules
// without Windows calls.
#include "engine/uninstall_rules.h"

#include <gtest/gtest.h>

using namespace engine;

TEST(UninstallRules, ProductDriverNames) {
    const std::vector<std::wstring> models = {L"KV-8200", L"KV-8250 OLI", L"Korvane KV-8280", L""};
    struct Case {
        const wchar_t* driver;
        bool ours;
    };
    const Case cases[] = {
        {L"Korvane KV-8200", true},
        {L"Korvane KV-8250 OLI", true},
        {L"Korvane KV-8280", true}, // a model that already carries the maker's name
        {L"Korvane KV-8200 (副本 1)", true},
        {L"Korvane KV-8200 (副本 27)", true},
        {L"KORVANE kv-8200", true}, // the spooler's names ignore letter case
        {L"Korvane Korvane KV-8280", false},
        {L"Korvane KV-8230", false}, // not in this catalogue
        {L"Korvane KV-820", false},
        {L"Korvane KV-82000", false},
        {L"Korvane KV-8200 Spare", false},
        {L"Korvane KV-8200 (副本 0)", false},
        {L"Korvane KV-8200 (副本 01)", false},
        {L"Korvane KV-8200 (副本 )", false},
        {L"Korvane KV-8200 (副本 1", false},
        {L"Korvane KV-8200 (副本 x)", false},
        {L"Korvane KV-8200 (副本 1) (副本 2)", false},
        {L"KV-8200", false},
        {L"Korvane ", false}, // the empty model names nothing
        {L"Generic / Text Only", false},
        {L"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.ours, IsProductDriverName(c.driver, models)) << c.driver;
    EXPECT_FALSE(IsProductDriverName(L"Korvane KV-8200", {}));
}

TEST(UninstallRules, EntryTexts) {
    const struct {
        std::uint64_t bytes;
        std::uint32_t kib;
    } sizes[] = {{0, 0},
                 {1, 1},
                 {1023, 1},
                 {1024, 1},
                 {1025, 2},
                 {10240, 10},
                 {0x3FFFFFFFC00ull, 0xFFFFFFFFu},
                 {0x3FFFFFFFC01ull, 0xFFFFFFFFu},
                 {~0ull, 0xFFFFFFFFu}};
    for (const auto& s : sizes)
        EXPECT_EQ(s.kib, EstimatedSizeKiB(s.bytes)) << s.bytes;

    const std::wstring kept = L"C:\\Program Files (x86)\\Vantrel打印机\\Setup.exe";
    EXPECT_EQ(L"\"C:\\Program Files (x86)\\Vantrel打印机\\Setup.exe\" /uninstall",
              UninstallCommand(kept, false));
    EXPECT_EQ(L"\"C:\\Program Files (x86)\\Vantrel打印机\\Setup.exe\" /uninstall /quiet",
              UninstallCommand(kept, true));
}

TEST(UninstallRules, StepNames) {
    const struct {
        RemovalStep step;
        const wchar_t* name;
    } cases[] = {
        {RemovalStep::None, L""},
        {RemovalStep::Catalogue, L"catalogue"},
        {RemovalStep::ListPrinters, L"listPrinters"},
        {RemovalStep::RemovePrinter, L"removePrinter"},
        {RemovalStep::ListDrivers, L"listDrivers"},
        {RemovalStep::RemoveDriver, L"removeDriver"},
        {RemovalStep::RemoveMonitor, L"removeMonitor"},
        {RemovalStep::ProductFolder, L"productFolder"},
        {RemovalStep::StartMenu, L"startMenu"},
        {RemovalStep::ProductEntry, L"productEntry"},
        {RemovalStep::DriverFiles, L"driverFiles"},
        {RemovalStep::StagedInf, L"stagedInf"},
        {RemovalStep::KeptProgram, L"keptProgram"},
        {RemovalStep::InstallRecord, L"installRecord"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.name), RemovalStepName(c.step));
}

// The files left in the driver directory: every model's maker files, once, then the platform's
// Unidrv files staged with them; the OLI plug-in only for a model that asks for it; none that an
// installed driver of any maker still names, by path or name.
TEST(UninstallRules, LeftOverDriverFiles) {
    using List = std::vector<std::wstring>;
    const List maker = {L"QTLM24RES.DLL", L"QVMLMN.dll", L"PrnSet.ini", L"PrnSetUI.dll"};
    const List platform = {L"STDNAMES.GPD", L"unidrv.hlp",   L"unidrvui.dll",
                           L"unidrv.dll",   L"unires.dll",   L"STDDTYPE.GDL",
                           L"STDSCHEM.GDL", L"STDSCHMX.GDL", L"PrnSetUni.dll"};
    const auto with = [&](List extra) {
        List all = maker;
        all.insert(all.end(), extra.begin(), extra.end());
        all.insert(all.end(), platform.begin(), platform.end());
        return all;
    };
    List platformButUnidrv = platform;
    platformButUnidrv.erase(platformButUnidrv.begin() + 1, platformButUnidrv.begin() + 4);
    const struct {
        List models, inUse, left;
    } cases[] = {
        {{L"KV-8200"}, {}, with({L"KV-8200.GPD"})},
        {{L"KV-8200", L"KV-8230", L"kv-8200"}, {}, with({L"KV-8200.GPD", L"KV-8230.GPD"})},
        {{L"KV-8250 OLI"}, {}, with({L"OemPrUni.dll", L"OemPR.ini", L"KV-8250 OLI.GPD"})},
        {{L"KV-8200"},
         {L"C:\\windows\\system32\\spool\\DRIVERS\\x64\\3\\qtlm24res.dll", L"prnset.INI",
          L"D:/other/KV-8200.gpd"},
         [&] {
             List left = {L"QVMLMN.dll", L"PrnSetUI.dll"};
             left.insert(left.end(), platform.begin(), platform.end());
             return left;
         }()},
        // Another maker's driver on Unidrv keeps the platform's files it names.
        {{L"KV-8200"},
         {L"C:\\windows\\system32\\spool\\DRIVERS\\x64\\3\\UNIDRV.DLL", L"unidrvui.dll",
          L"UNIDRV.HLP"},
         [&] {
             List left = maker;
             left.push_back(L"KV-8200.GPD");
             left.insert(left.end(), platformButUnidrv.begin(), platformButUnidrv.end());
             return left;
         }()},
        {{L"", L"KV-8200"}, {L""}, with({L"KV-8200.GPD"})},
        {{}, {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.left, LeftOverDriverFiles(c.models, c.inUse));
}

// The record's values as the registry keeps them, and what an install adds to it.
TEST(UninstallRules, RecordLists) {
    const struct {
        std::wstring data;
        std::vector<std::wstring> names;
    } reads[] = {
        {std::wstring(L"a\0b\0\0", 5), {L"a", L"b"}},
        {std::wstring(L"a\0b", 3), {L"a", L"b"}}, // without its closing NULs
        {std::wstring(L"\0\0", 2), {}},
        {std::wstring(L"a\0\0b\0", 5), {L"a", L"b"}}, // an empty name in between
        {L"", {}},
        {L"Korvane KV-8200 (副本 1)", {L"Korvane KV-8200 (副本 1)"}},
    };
    for (const auto& r : reads)
        EXPECT_EQ(r.names, MultiStringNames(r.data));
    EXPECT_EQ(std::wstring(L"a\0b\0\0", 5), MultiStringOf({L"a", L"", L"b"}));
    EXPECT_EQ(std::wstring(L"\0", 1), MultiStringOf({}));
    const std::vector<std::wstring> names = {L"Korvane KV-8200", L"oem12.inf"};
    EXPECT_EQ(names, MultiStringNames(MultiStringOf(names)));

    std::vector<std::wstring> list;
    EXPECT_TRUE(AddName(list, L"Korvane KV-8200"));
    EXPECT_FALSE(AddName(list, L"KORVANE kv-8200"));
    EXPECT_FALSE(AddName(list, L""));
    EXPECT_TRUE(AddName(list, L"oem3.inf"));
    EXPECT_EQ((std::vector<std::wstring>{L"Korvane KV-8200", L"oem3.inf"}), list);
    EXPECT_TRUE(ListsName(list, L"OEM3.INF"));
    EXPECT_FALSE(ListsName(list, L"oem3.in"));

    InstallRecord before;
    before.printers = {L"Korvane KV-8200"};
    before.drivers = {L"Korvane KV-8200"};
    InstallRecord made;
    made.printers = {L"korvane kv-8200", L"Korvane KV-8200 (副本 1)"};
    made.drivers = {L"Korvane KV-8200 (副本 1)"};
    made.monitors = {L"Korvane Language Monitor"};
    made.stagedInfs = {L"oem7.inf"};
    made.olderInstall = true;
    const InstallRecord merged = MergedRecord(before, made);
    EXPECT_EQ((std::vector<std::wstring>{L"Korvane KV-8200", L"Korvane KV-8200 (副本 1)"}),
              merged.printers);
    EXPECT_EQ((std::vector<std::wstring>{L"Korvane KV-8200", L"Korvane KV-8200 (副本 1)"}),
              merged.drivers);
    EXPECT_EQ(made.monitors, merged.monitors);
    EXPECT_EQ(made.stagedInfs, merged.stagedInfs);
    EXPECT_TRUE(merged.olderInstall);
    EXPECT_TRUE(MergedRecord(merged, InstallRecord{}).olderInstall) << "never unset by an install";
}

// Which drivers (and so which queues) and which monitor a removal takes: without a record the
// catalogue's names; with one only what it names, unless it was begun beside an older install.
TEST(UninstallRules, RecordDecidesWhatIsRemoved) {
    const std::vector<std::wstring> models = {L"KV-8200", L"KV-8230"};
    InstallRecord record;
    record.drivers = {L"Korvane KV-8200"};
    record.monitors = {};
    InstallRecord older = record;
    older.olderInstall = true;
    InstallRecord withMonitor = record;
    withMonitor.monitors = {L"Korvane Language Monitor"};
    const struct {
        const wchar_t* driver;
        bool noRecord, recorded, olderBeside;
    } cases[] = {
        {L"Korvane KV-8200", true, true, true},
        {L"korvane kv-8200", true, true, true},
        {L"Korvane KV-8230", true, false, true},          // another tool's, same-named
        {L"Korvane KV-8200 (副本 1)", true, false, true}, // not made by a recorded install
        {L"Korvane KV-9999", false, false, false},
        {L"Generic Text Receipt", false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.noRecord, IsRemovableDriver(c.driver, nullptr, models)) << c.driver;
        EXPECT_EQ(c.recorded, IsRemovableDriver(c.driver, &record, models)) << c.driver;
        EXPECT_EQ(c.olderBeside, IsRemovableDriver(c.driver, &older, models)) << c.driver;
    }
    // A recorded driver goes even when the catalogue no longer names its model.
    EXPECT_TRUE(IsRemovableDriver(L"Korvane KV-8200", &record, {}));

    const wchar_t monitor[] = L"Korvane Language Monitor";
    EXPECT_TRUE(IsRemovableMonitor(monitor, nullptr));
    EXPECT_FALSE(IsRemovableMonitor(monitor, &record));
    EXPECT_TRUE(IsRemovableMonitor(monitor, &older));
    EXPECT_TRUE(IsRemovableMonitor(monitor, &withMonitor));
    EXPECT_TRUE(IsRemovableMonitor(L"KORVANE LANGUAGE MONITOR", &withMonitor));
}
