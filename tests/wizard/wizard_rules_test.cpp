// The wizard's choices from its lists and the animation's rhythm.
#include "wizard/wizard_rules.h"

#include <gtest/gtest.h>

using namespace wizard;
using Names = std::vector<std::wstring>;

TEST(WizardRules, DetectedModelPicksTheLastCatalogueNameItContains) {
    struct Case {
        Names names;
        const wchar_t* detected;
        int match;
    } cases[] = {
        {{L"RX-530", L"RX-410"}, L"", -1}, // no printer answered
        {{L"RX-410", L"RX-530"}, L"RX-530", 1},
        {{L"RX-520"}, L"RX-520A", 0},          // a substring is enough
        {{L"RX-52", L"RX-520"}, L"RX-520", 1}, // the later entry wins
        {{L"RX-520", L"RX-52"}, L"RX-520", 1},
        {{L"rx-530"}, L"RX-530", -1}, // case-sensitive
        {{L"", L"RX-1"}, L"RX-1", 1}, // empty names never match
        {{L""}, L"anything", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.match, MatchDetectedModel(c.names, c.detected)) << c.detected;
}

TEST(WizardRules, ModelNamesAndCaptions) {
    EXPECT_EQ(L"RX-410", ModelOfRow(L"Korvane RX-410"));
    EXPECT_EQ(L"RX-410", ModelOfRow(L"RX-410"));
    EXPECT_EQ(L"Korvane RX-410", ModelCaption(L"RX-410"));
    EXPECT_EQ(L"Korvane RX-410", ModelCaption(L"Korvane RX-410")); // never twice
    EXPECT_EQ(L"Korvane ", ModelCaption(L""));
}

TEST(WizardRules, PortPreselection) {
    const Names spooler = {L"COM1:", L"LPT1:", L"USB001", L"LPT2:"};
    struct Case {
        Names rows;
        unsigned long usbPort;
        int row;
    } cases[] = {
        {spooler, 1, 2},        {spooler, 0, 1}, {{L"COM1:", L"FILE:"}, 0, -1},
        {spooler, 3, -1},       // USB003 is not in the list
        {{L"USB0012"}, 12, -1}, // "USB012" is not inside "USB0012"
        {{L"XUSB012"}, 12, 0},  // a row containing the name is enough
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.row, PreselectPortRow(c.rows, c.usbPort)) << c.usbPort;
}

TEST(WizardRules, NoPageIsLeftWithoutAChosenRow) {
    struct Case {
        int page;
        long rows;
        bool selected;
        const wchar_t* refusal; // nullptr: the page may be left
    } cases[] = {
        {1, 5, true, nullptr},
        {1, 0, false,
         L"PrinterInfo.ini 中没有打印机型号，无法继续安装。请联系设备厂家获取技术支持。"},
        {1, 5, false, L"请选择打印机型号。"},
        {2, 8, true, nullptr},
        {2, 8, false, L"请选择打印机连接的端口。"},
        {2, 0, false, L"没有找到可用的端口，无法继续安装。"},
        {3, 0, false, nullptr}, // the confirmation page has no list
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.refusal != nullptr ? c.refusal : L"",
                  NextPageRefusal(c.page, c.rows, c.selected))
            << "page " << c.page << ", " << c.rows << " rows, selected " << c.selected;
    }
}

TEST(WizardRules, AnimationClimbsPausesAndClimbsAgain) {
    AnimationState state;
    int changes = 0;
    for (int tick = 0; tick < 100; ++tick)
        changes += AnimationTick(state);
    EXPECT_EQ(100, state.position);
    EXPECT_EQ(100, changes);
    EXPECT_TRUE(AnimationTick(state)); // back to 0, and the pause begins
    EXPECT_EQ(0, state.position);
    EXPECT_EQ(20, state.pause);
    for (int tick = 0; tick < 20; ++tick)
        EXPECT_FALSE(AnimationTick(state));
    EXPECT_EQ(0, state.position);
    EXPECT_TRUE(AnimationTick(state));
    EXPECT_EQ(1, state.position);
}
