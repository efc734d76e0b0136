// The model a connected printer matches and the port both front ends take.
#include "job/choice_rules.h"

#include <gtest/gtest.h>

using namespace job;
using Names = std::vector<std::wstring>;

TEST(ChoiceRules, DetectedModelPicksTheLastCatalogueNameItContains) {
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

TEST(ChoiceRules, PortPreselection) {
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
