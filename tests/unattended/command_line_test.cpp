// The command line as administrators type it and as deployment systems pass it.
#include "unattended/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using unattended::Action;
using unattended::ParseCommandLine;

namespace {

struct Accepted {
    std::vector<std::wstring> arguments;
    Action action;
    bool quiet;
    std::wstring model;
    std::wstring port;
    std::wstring log;
    std::wstring report;
    bool testPage;
    bool newQueue = false;
    bool allUsers = false;
    bool fromPackage = false;
};

} // namespace

TEST(CommandLine, SoundLinesGiveTheirRun) {
    const Accepted cases[] = {
        {{}, Action::Wizard, false, L"", L"", L"", L"", false},
        {{L"/quiet", L"/model", L"KV-8200", L"/port", L"LPT1:"},
         Action::Install,
         true,
         L"KV-8200",
         L"LPT1:",
         L"",
         L"",
         false},
        // A value after ':' keeps its own colons; any letter case; '-' as well as '/'.
        {{L"-QUIET", L"/Model:KV-8250 OLI", L"/PORT:LPT1:", L"/log:C:\\l.txt", L"/report",
          L"C:\\r.json", L"/TestPage"},
         Action::Install,
         true,
         L"KV-8250 OLI",
         L"LPT1:",
         L"C:\\l.txt",
         L"C:\\r.json",
         true},
        // One more queue even where the model has one on the port.
        {{L"/quiet", L"/model", L"KV-8200", L"/NewQueue"},
         Action::Install,
         true,
         L"KV-8200",
         L"",
         L"",
         L"",
         false,
         true},
        // Machine-wide places, and the run of the Windows Installer package.
        {{L"/quiet", L"/AllUsers", L"/msi"},
         Action::Install,
         true,
         L"",
         L"",
         L"",
         L"",
         false,
         false,
         true,
         true},
        // "auto" is the default, in any case.
        {{L"/quiet", L"/model:AUTO", L"/port", L"auto"},
         Action::Install,
         true,
         L"",
         L"",
         L"",
         L"",
         false},
        // Without /quiet the wizard opens with the rows preselected.
        {{L"/model", L"KV-8230"}, Action::Install, false, L"KV-8230", L"", L"", L"", false},
        {{L"/uninstall", L"/quiet", L"/log", L"u.txt", L"/report:u.json"},
         Action::Uninstall,
         true,
         L"",
         L"",
         L"u.txt",
         L"u.json",
         false},
        {{L"/check", L"/model", L"KV-8200", L"/report", L"c.json"},
         Action::Check,
         false,
         L"KV-8200",
         L"",
         L"",
         L"c.json",
         false},
        // The usage wins over everything, even over a wrong switch.
        {{L"/?"}, Action::Usage, false, L"", L"", L"", L"", false},
        {{L"/quiet", L"/bogus", L"-h"}, Action::Usage, true, L"", L"", L"", L"", false},
    };
    for (const Accepted& c : cases) {
        std::wstring line;
        for (const std::wstring& a : c.arguments)
            line += a + L" ";
        SCOPED_TRACE(std::string(line.begin(), line.end()));
        const unattended::ParsedCommandLine parsed = ParseCommandLine(c.arguments);
        EXPECT_EQ(L"", parsed.error);
        EXPECT_EQ(c.action, parsed.options.action);
        EXPECT_EQ(c.quiet, parsed.options.quiet);
        EXPECT_EQ(c.model, parsed.options.model);
        EXPECT_EQ(c.port, parsed.options.port);
        EXPECT_EQ(c.log, parsed.options.logFile);
        EXPECT_EQ(c.report, parsed.options.reportFile);
        EXPECT_EQ(c.testPage, parsed.options.testPage);
        EXPECT_EQ(c.newQueue, parsed.options.newQueue);
        EXPECT_EQ(c.allUsers, parsed.options.allUsers);
        EXPECT_EQ(c.fromPackage, parsed.options.fromPackage);
    }
}

TEST(CommandLine, WrongLinesSayWhyAndKeepTheReportFile) {
    struct Refused {
        std::vector<std::wstring> arguments;
        std::wstring errorPart;
    };
    const Refused cases[] = {
        {{L"/quiet", L"/silent"}, L"/silent"},               // unknown switch
        {{L"/quiet", L"KV-8200"}, L"KV-8200"},               // a value without its switch
        {{L"/quiet", L"/model"}, L"缺少值"},                 // value missing at the end
        {{L"/quiet", L"/model:"}, L"缺少值"},                // empty value
        {{L"/model", L"/quiet"}, L"缺少值"},                 // the next switch is no value
        {{L"/quiet", L"/quiet"}, L"重复"},                   // repeated
        {{L"/quiet:yes"}, L"不带值"},                        // a value for a switch without one
        {{L"/uninstall", L"/check"}, L"不能同时使用"},       // two actions
        {{L"/uninstall", L"/model", L"KV-8200"}, L"/model"}, // a switch the action does not take
        {{L"/check", L"/testpage"}, L"/testpage"},
        {{L"/uninstall", L"/newqueue"}, L"/newqueue"},
        {{L"/newqueue:yes"}, L"不带值"},
        {{L"/uninstall", L"/allusers"}, L"/allusers"}, // the removal clears every place anyway
        {{L"/check", L"/msi"}, L"/msi"},
        {{L"/check", L"/port", L"LPT1:"}, L"/port"},
        {{L""}, L"无法识别"}, // an empty argument
        {{L"/"}, L"无法识别"},
    };
    for (const Refused& c : cases) {
        std::wstring line;
        for (const std::wstring& a : c.arguments)
            line += a + L" ";
        SCOPED_TRACE(std::string(line.begin(), line.end()));
        const unattended::ParsedCommandLine parsed = ParseCommandLine(c.arguments);
        EXPECT_NE(std::wstring::npos, parsed.error.find(c.errorPart));
    }
    // The report can still say what was wrong.
    const auto parsed =
        ParseCommandLine({L"/quiet", L"/report", L"C:\\r.json", L"/model", L"KV", L"/nope"});
    EXPECT_NE(L"", parsed.error);
    EXPECT_EQ(L"C:\\r.json", parsed.options.reportFile);
    EXPECT_TRUE(parsed.options.quiet);
}

TEST(CommandLine, UsageNamesEverySwitchAndExitCode) {
    const std::wstring usage = unattended::UsageText();
    for (const wchar_t* part : {L"/quiet", L"/model", L"/port", L"/log", L"/report", L"/testpage",
                                L"/uninstall", L"/newqueue", L"/check", L"/?", L"1602", L"1603",
                                L"1618", L"1619", L"1633", L"1638", L"1639"})
        EXPECT_NE(std::wstring::npos, usage.find(part)) << std::string(part, part + wcslen(part));
}
