// The /report and /log files of a run: refused through links a standard user could plant, written
// through links an administrator made, and the report replaced whole or not at all. Runs go
// through the program's own entry (RunCommandLine) with /check, which changes nothing else on the
// machine, or through RunRecord for a run that ends with a given outcome.
#include "engine/install_log.h"
#include "engine/log_record.h"
#include "job/exit_codes.h"
#include "tests/support/folder_links.h"
#include "tests/support/log_records.h"
#include "tests/support/test_paths.h"
#include "unattended/command_line.h"
#include "unattended/output_links.h"
#include "unattended/run_record.h"
#include "unattended/unattended_run.h"
#include "win/text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <windows.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

// The seam's view: the system's answers, with the files in `playedLinks` shown as links and the
// owner of every link and target answered by `trusted`.
std::vector<std::wstring> g_playedLinks;
bool g_linksTrusted = false;
bool g_targetsTrusted = false;

DWORD PlayedAttributes(const wchar_t* path) {
    DWORD attributes = unattended::SystemLinkCheck().attributes(path);
    for (const std::wstring& played : g_playedLinks)
        if (attributes != INVALID_FILE_ATTRIBUTES && ::lstrcmpiW(played.c_str(), path) == 0)
            attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes;
}

bool PlayedOwner(const wchar_t*, bool ofLink) {
    return ofLink ? g_linksTrusted : g_targetsTrusted;
}

const unattended::LinkCheckApi kPlayedLinkCheck{PlayedAttributes, PlayedOwner};

// The install log's records written since `offset`, in the ANSI code page as the log has them.
struct LogMark {
    std::wstring path;
    size_t offset;
};
LogMark MarkLog() {
    const std::wstring path =
        engine::GetInstallLogFolder() + engine::LogFileName(engine::GetInstallLogFileNumber());
    return {path, ReadFileBytes(path).size()};
}
bool LoggedSince(const LogMark& mark, const std::wstring& text) {
    const std::string ansi = win::ToAnsi(text);
    for (const std::string& record : SplitLogRecords(ReadFileBytes(mark.path), mark.offset))
        if (record.find(ansi) != std::string::npos)
            return true;
    return false;
}

int RunArguments(const std::vector<std::wstring>& arguments) {
    const unattended::ParsedCommandLine parsed = unattended::ParseCommandLine(arguments);
    EXPECT_TRUE(parsed.error.empty()) << Utf8Of(parsed.error);
    return unattended::RunCommandLine(parsed, false);
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return names;
}

class OutputLinks : public testing::Test {
protected:
    void SetUp() override {
        scratch = MakeScratchFolder(L"output-links");
        target = scratch + L"target\\";
        plain = scratch + L"plain\\";
        link = scratch + L"link";
        ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW(plain.c_str(), nullptr));
        ASSERT_TRUE(MakeFolderLink(link, target.substr(0, target.size() - 1)))
            << "this Wine shows a Unix folder link as a reparse point";
    }
    void TearDown() override {
        unattended::SetLinkCheckForTesting(nullptr);
        unattended::SetReportMoveHookForTesting(nullptr);
        g_playedLinks.clear();
        g_linksTrusted = g_targetsTrusted = false;
        RemoveFolderLink(link);
        RemoveTree(scratch);
    }

    std::wstring scratch, target, plain, link;
};

} // namespace

// Each refused run exits 1639, says why in the log, and leaves everything as it was: no folder
// made, nothing written in the link's target, the old report whole.
TEST_F(OutputLinks, LinkedReportOrLogIsRefusedAndNothingChanges) {
    struct Case {
        const char* name;
        std::vector<std::wstring> arguments; // after "/check /quiet"
        const wchar_t* reason;               // the start of the logged reason
        std::vector<std::wstring> absent;    // must not exist after the run
        std::wstring kept;                   // an old report that must stay whole
        std::vector<std::wstring> playedLinks;
        bool linkTrusted;
    };
    const std::string old = R"({"result":"installed"})";
    const Case cases[] = {
        {"report through a folder link, into a new folder",
         {L"/report", link + L"\\new\\r.json"},
         L"报告文件的路径经过链接",
         {target + L"new"},
         L"",
         {},
         false},
        {"report through a folder link, over an old report",
         {L"/report", link + L"\\r.json"},
         L"报告文件的路径经过链接",
         {},
         target + L"r.json",
         {},
         false},
        {"log through a folder link, with a report beside it",
         {L"/log", link + L"\\kv.log", L"/report", plain + L"new\\r.json"},
         L"日志文件的路径经过链接",
         {target + L"kv.log", plain + L"new"},
         L"",
         {},
         false},
        {"relative parts leading through the link",
         {L"/report", plain + L"..\\link\\r.json"},
         L"报告文件的路径经过链接",
         {target + L"r.json"},
         L"",
         {},
         false},
        // Wine shows no file link: the seam plays one over an old report.
        {"report file that is a link",
         {L"/report", plain + L"r.json"},
         L"报告文件的路径经过链接",
         {},
         plain + L"r.json",
         {plain + L"r.json"},
         false},
        // The link is an administrator's, what it leads to is not.
        {"administrators' link to a user's folder",
         {L"/report", link + L"\\r.json"},
         L"报告文件的路径经过链接",
         {target + L"r.json"},
         L"",
         {},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.kept.empty()) {
            ASSERT_TRUE(WriteFileBytes(c.kept, old));
        }
        g_playedLinks = c.playedLinks;
        g_linksTrusted = c.linkTrusted;
        g_targetsTrusted = false;
        unattended::SetLinkCheckForTesting(&kPlayedLinkCheck);
        std::vector<std::wstring> arguments{L"/check", L"/quiet"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const LogMark mark = MarkLog();

        EXPECT_EQ(job::kExitBadCommandLine, RunArguments(arguments));

        EXPECT_TRUE(LoggedSince(mark, c.reason)) << "the reason is in the install log";
        for (const std::wstring& path : c.absent)
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(path.c_str())) << Utf8Of(path);
        if (!c.kept.empty()) {
            EXPECT_EQ(old, ReadFileBytes(c.kept));
        }
        // Nothing else appeared where the run could write.
        for (const std::wstring& folder : {target, plain})
            for (const std::wstring& name : FilesIn(folder))
                EXPECT_TRUE(!c.kept.empty() && folder + name == c.kept)
                    << "left behind: " << Utf8Of(folder + name);
        unattended::SetLinkCheckForTesting(nullptr);
        if (!c.kept.empty())
            ::DeleteFileW(c.kept.c_str());
    }
}

// A link that an administrator made and that leads to an administrator's folder is followed: the
// report and the log copy land in the target.
TEST_F(OutputLinks, AdministratorsLinksAreFollowed) {
    g_linksTrusted = g_targetsTrusted = true;
    unattended::SetLinkCheckForTesting(&kPlayedLinkCheck);

    const int code = RunArguments(
        {L"/check", L"/quiet", L"/report", link + L"\\new\\r.json", L"/log", link + L"\\kv.log"});

    EXPECT_NE(job::kExitBadCommandLine, code);
    const std::string report = ReadFileBytes(target + L"new\\r.json");
    ASSERT_FALSE(report.empty()) << "the report is written in the link's target";
    EXPECT_EQ("failed", nlohmann::json::parse(report)["result"]) << "no distribution here";
    EXPECT_FALSE(SplitLogRecords(ReadFileBytes(target + L"kv.log")).empty());
}

// The report's new file is written whole before it replaces the report; a run that ends between
// the two leaves the previous report whole, or none, never a part of the new one.
TEST_F(OutputLinks, ReportIsReplacedWholeOrNotAtAll) {
    struct Case {
        const char* name;
        bool previous; // a report from an earlier run is there
        bool stop;     // the run ends between the write and the move
    };
    const Case cases[] = {
        {"no previous report, stopped", false, true},
        {"previous report, stopped", true, true},
        {"no previous report, moved", false, false},
        {"previous report, moved", true, false},
    };
    static std::wstring s_report;
    static std::string s_old;
    static std::string s_reportAtHook, s_temporaryAtHook;
    static bool s_stop;
    const std::string old = R"({"result":"installed","exitCode":0})";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s_report = plain + L"r.json";
        ::DeleteFileW(s_report.c_str());
        if (c.previous) {
            ASSERT_TRUE(WriteFileBytes(s_report, old));
        }
        s_stop = c.stop;
        s_reportAtHook = s_temporaryAtHook = "unset";
        unattended::SetReportMoveHookForTesting([](const std::wstring& temporary) {
            s_reportAtHook = ReadFileBytes(s_report);
            s_temporaryAtHook = ReadFileBytes(temporary);
            return !s_stop;
        });

        const int code = RunArguments({L"/check", L"/quiet", L"/report", s_report});

        EXPECT_NE(job::kExitBadCommandLine, code);
        // At the hook the new report is whole in its own file, the old one untouched.
        ASSERT_NE("unset", s_temporaryAtHook) << "the run reached the move";
        const nlohmann::json written = nlohmann::json::parse(s_temporaryAtHook, nullptr, false);
        ASSERT_FALSE(written.is_discarded()) << s_temporaryAtHook;
        EXPECT_EQ("failed", written["result"]);
        EXPECT_EQ(c.previous ? old : "", s_reportAtHook);
        const std::string after = ReadFileBytes(s_report);
        if (c.stop) {
            EXPECT_EQ(c.previous ? old : "", after);
            EXPECT_EQ(c.previous, FileExists(s_report));
        } else {
            EXPECT_EQ(s_temporaryAtHook, after);
            EXPECT_EQ(std::vector<std::wstring>{L"r.json"}, FilesIn(plain)) << "no new file left";
        }
        unattended::SetReportMoveHookForTesting(nullptr);
        for (const std::wstring& name : FilesIn(plain))
            ::DeleteFileW((plain + name).c_str());
    }
}

// A report that cannot replace the old one (its path is a folder) fails an installed run with
// 1603, says why in the log, and leaves no new file behind.
TEST_F(OutputLinks, ReportThatCannotBeMovedFailsTheRunAndLeavesNothing) {
    const std::wstring report = plain + L"r.json";
    ASSERT_TRUE(::CreateDirectoryW(report.c_str(), nullptr));
    unattended::Options options;
    options.action = unattended::Action::Install;
    options.quiet = true;
    options.reportFile = report;
    const LogMark mark = MarkLog();
    int code = 0;
    {
        unattended::RunRecord run(options);
        code = run.Finish(L"installed", job::kExitSuccess);
    }
    EXPECT_EQ(job::kExitInstallFailed, code);
    EXPECT_TRUE(LoggedSince(mark, L"报告无法写入 " + report));
    EXPECT_EQ(std::vector<std::wstring>{L"r.json"}, FilesIn(plain)) << "the new file is deleted";
    EXPECT_TRUE(FilesIn(report + L"\\").empty());
}
