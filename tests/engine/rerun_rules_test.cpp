// What a repeated silent install takes over, and how versions compare.
#include "engine/rerun_rules.h"

#include <gtest/gtest.h>

#include <cwchar>

#include <string>
#include <vector>

using namespace engine;

TEST(RerunRules, QueueToReuseIsTheModelsDriverOnThePort) {
    const std::vector<QueueListing> machine = {
        {L"Front Desk", L"Generic Text Receipt", L"LPT1:"},
        {L"Korvane KV-8230", L"Korvane KV-8230", L"LPT1:"},            // another model
        {L"Kitchen", L"Korvane KV-8200 (副本 1)", L"LPT1:"},           // renamed copy
        {L"Korvane KV-8200", L"Korvane KV-8200", L"USB001"},           // another port
        {L"Korvane KV-8200 Spare", L"Generic Text Receipt", L"LPT2:"}, // our name, not our driver
        {L"Bar", L"korvane kv-8200", L"lpt2:"},                        // letter case aside
        {L"Office", L"Korvane KV-8200 (副本 2)", L"COM1:"},
        {L"Office 2", L"Korvane KV-8200", L"COM1:"},
    };
    const struct {
        const wchar_t* model;
        const wchar_t* port;
        int expected;
    } cases[] = {
        {L"KV-8200", L"LPT1:", 2}, // the copy's driver, under a name the user chose
        {L"KV-8200", L"USB001", 3},
        {L"KV-8200", L"usb001", 3},
        {L"KV-8200", L"LPT2:", 5},  // "Korvane KV-8200 Spare" is another maker's driver
        {L"KV-8200", L"COM1:", 7},  // the model's own driver before a copy's
        {L"KV-8200", L"COM2:", -1}, // nothing of ours there
        {L"KV-8230", L"LPT1:", 1},
        {L"KV-8230", L"USB001", -1},
        {L"Korvane KV-8200", L"USB001", 3}, // the name with its prefix names the same model
        {L"KV-82", L"LPT1:", -1},           // a model's name is not a prefix of another's
        {L"", L"LPT1:", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.port, c.port + wcslen(c.port)));
        EXPECT_EQ(c.expected, QueueToReuse(machine, c.model, c.port));
    }
    EXPECT_EQ(-1, QueueToReuse({}, L"KV-8200", L"LPT1:"));
}

TEST(RerunRules, InstalledVersionOrder) {
    const struct {
        const wchar_t* installed;
        const wchar_t* running;
        VersionOrder expected;
    } cases[] = {
        {L"1.0.0.1", L"1.0.0.1", VersionOrder::Same},
        {L"1.0.0.1", L"1.0.0.2", VersionOrder::Older},
        {L"1.0.0.2", L"1.0.0.1", VersionOrder::Newer},
        {L"1.0.0.10", L"1.0.0.9", VersionOrder::Newer}, // numbers, not text
        {L"1.2", L"1.2.0.0", VersionOrder::Same},
        {L"2", L"1.9.9.9", VersionOrder::Newer},
        {L"0.9.99999.1", L"1.0", VersionOrder::Older},
        {L"", L"1.0.0.1", VersionOrder::Unknown},
        {L"1.0.0.1", L"", VersionOrder::Unknown},
        {L"1.0.0.1.5", L"1.0.0.1", VersionOrder::Unknown},
        {L"1..0", L"1.0.0.1", VersionOrder::Unknown},
        {L"1.0.", L"1.0.0.1", VersionOrder::Unknown},
        {L"v1.0", L"1.0.0.1", VersionOrder::Unknown},
        {L"123456.0", L"1.0.0.1", VersionOrder::Unknown}, // too many digits for a version part
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.installed, c.installed + wcslen(c.installed)) + " vs " +
                     std::string(c.running, c.running + wcslen(c.running)));
        EXPECT_EQ(c.expected, InstalledVersionOrder(c.installed, c.running));
    }
}
