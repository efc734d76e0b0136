// The wizard's page rules and the animation's rhythm.
#include "wizard/wizard_rules.h"

#include <gtest/gtest.h>

using namespace wizard;
using Names = std::vector<std::wstring>;

TEST(WizardRules, ModelNamesAndCaptions) {
    EXPECT_EQ(L"RX-410", ModelOfRow(L"Korvane RX-410"));
    EXPECT_EQ(L"RX-410", ModelOfRow(L"RX-410"));
    EXPECT_EQ(L"Korvane RX-410", ModelCaption(L"RX-410"));
    EXPECT_EQ(L"Korvane RX-410", ModelCaption(L"Korvane RX-410")); // never twice
    EXPECT_EQ(L"Korvane ", ModelCaption(L""));
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
