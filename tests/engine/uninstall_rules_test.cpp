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
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.name), RemovalStepName(c.step));
}

// The maker's files left in the driver directory: every model's, once; the OLI plug-in only for
// a model that asks for it; none that an installed driver still names, by path or name.
TEST(UninstallRules, LeftOverDriverFiles) {
    using List = std::vector<std::wstring>;
    const List maker = {L"QTLM24RES.DLL", L"QVMLMN.dll", L"PrnSet.ini", L"PrnSetUI.dll"};
    const auto with = [&](List extra) {
        List all = maker;
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    const struct {
        List models, inUse, left;
    } cases[] = {
        {{L"KV-8200"}, {}, with({L"KV-8200.GPD"})},
        {{L"KV-8200", L"KV-8230", L"kv-8200"}, {}, with({L"KV-8200.GPD", L"KV-8230.GPD"})},
        {{L"KV-8250 OLI"}, {}, with({L"OemPrUni.dll", L"OemPR.ini", L"KV-8250 OLI.GPD"})},
        {{L"KV-8200"},
         {L"C:\\windows\\system32\\spool\\DRIVERS\\x64\\3\\qtlm24res.dll", L"prnset.INI",
          L"D:/other/KV-8200.gpd"},
         {L"QVMLMN.dll", L"PrnSetUI.dll"}},
        {{L"", L"KV-8200"}, {L""}, with({L"KV-8200.GPD"})},
        {{}, {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.left, LeftOverDriverFiles(c.models, c.inUse));
}
