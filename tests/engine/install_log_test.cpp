// The install log written into the bench's Documents and ProgramData folders through the real
// file system.
#include "engine/install_log.h"
#include "engine/log_record.h"
#include "tests/support/log_records.h"
#include "tests/support/run_kind.h"
#include "tests/support/test_paths.h"
#include "win/text.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace engine;
using namespace testing_support;

namespace {

class InstallLog : public ::testing::Test {
protected:
    void SetUp() override {
        folder = GetInstallLogFolder();
        RemoveTree(folder);
        number = GetInstallLogFileNumber();
    }
    std::wstring PathOf(int n) const { return folder + LogFileName(n); }

    // Records are NUL-terminated; returns them in file order.
    static std::vector<std::string> Records(const std::string& bytes) {
        size_t rest = 0;
        std::vector<std::string> records = SplitLogRecords(bytes, 0, &rest);
        EXPECT_EQ(0u, rest) << "bytes after the last record's NUL";
        return records;
    }

    std::wstring folder;
    int number = 1;
};

bool EndsWithTimestamp(const std::string& record) {
    // "     d-m-yyyy,h:m:s:ms \r\n"
    const size_t stampStart = record.rfind("     ");
    if (stampStart == std::string::npos || record.size() < 4)
        return false;
    return record.compare(record.size() - 3, 3, " \r\n") == 0 &&
           record.find(',', stampStart) != std::string::npos;
}

std::string SystemText(DWORD error) {
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer != nullptr ? buffer : L"", length);
    ::LocalFree(buffer);
    EXPECT_FALSE(text.empty()) << "no system text for " << error;
    return win::ToAnsi(text);
}

} // namespace

// A user's run logs into the user's Documents; a machine-wide run (as SYSTEM, or for all users)
// into ProgramData, the same path for 32-bit and 64-bit programs. The record goes there.
TEST_F(InstallLog, FolderOfEachKindOfRun) {
    const struct {
        RunKind kind;
        int csidl;
    } cases[] = {
        {RunKind::User, CSIDL_PERSONAL},
        {RunKind::System, CSIDL_COMMON_APPDATA},
        {RunKind::AllUsers, CSIDL_COMMON_APPDATA},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(RunKindName(c.kind));
        RunKindScope run(c.kind);
        const std::wstring base = SpecialFolder(c.csidl);
        ASSERT_FALSE(base.empty());
        const std::wstring expected = base + L"\\Velmora科技有限公司\\";
        EXPECT_EQ(expected, GetInstallLogFolder());
        RemoveTree(expected);
        const int n = GetInstallLogFileNumber();
        WriteInstallLog(L"FindParallelPort", false);
        const auto records = Records(ReadFileBytes(expected + LogFileName(n)));
        ASSERT_EQ(1u, records.size());
        EXPECT_EQ(0u, records[0].rfind("FindParallelPort     ", 0)) << records[0];
        if (c.kind != RunKind::User)
            RemoveTree(expected);
    }
    EXPECT_EQ(folder, GetInstallLogFolder()) << "a user's run again after the machine-wide ones";
}

TEST_F(InstallLog, FirstRecordCreatesFolderAndFile) {
    WriteInstallLog(L"FindParallelPort", false);
    const std::string bytes = ReadFileBytes(PathOf(number));
    auto records = Records(bytes);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(0u, records[0].rfind("FindParallelPort     ", 0)) << records[0];
    EXPECT_TRUE(EndsWithTimestamp(records[0])) << records[0];
    // Only the text and the stamp: no error part.
    EXPECT_EQ(std::string::npos, records[0].find("error"));
}

TEST_F(InstallLog, RecordsCarryTheCallersLastError) {
    ::SetLastError(0);
    WriteInstallLog(L"StartService", true);
    ::SetLastError(ERROR_ACCESS_DENIED);
    WriteInstallLog(L"OpenService", true);
    auto records = Records(ReadFileBytes(PathOf(number)));
    ASSERT_EQ(2u, records.size());
    // The system's text for the code stands between the code and the stamp; it ends with a line
    // break, so the stamp stands on a line of its own.
    EXPECT_EQ(0u, records[0].rfind("StartService succeed:  0: " + SystemText(0) + "     ", 0))
        << records[0];
    // The error is the caller's 5, not whatever the writer's own folder creation left.
    EXPECT_EQ(0u,
              records[1].rfind("OpenService failed with error 5: " + SystemText(5) + "     ", 0))
        << records[1];
    EXPECT_TRUE(EndsWithTimestamp(records[1]));
}

TEST_F(InstallLog, SetupLibraryCodeIsSignedWithOwnText) {
    ::SetLastError(0xE0000003u);
    WriteInstallLog(L"SetupCopyOEMInf", true);
    auto records = Records(ReadFileBytes(PathOf(number)));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(0u, records[0].rfind("SetupCopyOEMInf failed with error -536870909: ", 0))
        << records[0];
}

TEST_F(InstallLog, ChineseTextIsWrittenInTheAnsiCodePage) {
    WriteInstallLog(L"打印机", false);
    auto records = Records(ReadFileBytes(PathOf(number)));
    ASSERT_EQ(1u, records.size());
    // The bench runs in the users' Chinese locale, ANSI code page 936 (GBK).
    ASSERT_EQ(936u, ::GetACP());
    EXPECT_EQ(0u, records[0].rfind("\xB4\xF2\xD3\xA1\xBB\xFA     ", 0)) << records[0];
}

TEST_F(InstallLog, FullFileRollsOverAndLaterCallsStartThere) {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(PathOf(number), std::string(kLogRollOverBytes, 'x')));
    WriteInstallLog(L"first", false);
    EXPECT_EQ(kLogRollOverBytes, ReadFileBytes(PathOf(number)).size());
    EXPECT_EQ(1u, Records(ReadFileBytes(PathOf(number + 1))).size());
    EXPECT_EQ(number + 1, GetInstallLogFileNumber());

    // A later call in the same run goes straight to the new file even if the old one shrinks.
    ASSERT_TRUE(WriteFileBytes(PathOf(number), std::string()));
    WriteInstallLog(L"second", false);
    EXPECT_EQ(0u, ReadFileBytes(PathOf(number)).size());
    EXPECT_EQ(2u, Records(ReadFileBytes(PathOf(number + 1))).size());
}

TEST_F(InstallLog, FileJustBelowTheLimitStillTakesARecord) {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(PathOf(number), std::string(kLogRollOverBytes - 1, 'x')));
    WriteInstallLog(L"last", false);
    const std::string bytes = ReadFileBytes(PathOf(number));
    EXPECT_GT(bytes.size(), kLogRollOverBytes);
    EXPECT_EQ('\0', bytes.back());
    EXPECT_FALSE(FileExists(PathOf(number + 1)));
    EXPECT_EQ(number, GetInstallLogFileNumber());
}

TEST_F(InstallLog, ConcurrentWritersLoseNoRecord) {
    constexpr int kPerThread = 40;
    auto writer = [](const wchar_t* name) {
        for (int i = 0; i < kPerThread; ++i)
            WriteInstallLog(std::wstring(name) + std::to_wstring(i), false);
    };
    std::thread a(writer, L"ui-");
    std::thread b(writer, L"job-");
    a.join();
    b.join();
    auto records = Records(ReadFileBytes(PathOf(number)));
    ASSERT_EQ(2u * kPerThread, records.size());
    int ui = 0, job = 0;
    for (const std::string& r : records) {
        // Whole records only: each starts with a writer's name and ends with its stamp.
        EXPECT_TRUE(EndsWithTimestamp(r)) << r;
        ui += r.rfind("ui-", 0) == 0;
        job += r.rfind("job-", 0) == 0;
    }
    EXPECT_EQ(kPerThread, ui);
    EXPECT_EQ(kPerThread, job);
}

TEST_F(InstallLog, LockedFileDropsTheRecordQuickly) {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    // Another program holds the log without sharing for longer than any writer would.
    HANDLE held = ::CreateFileW(PathOf(number).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    const auto start = std::chrono::steady_clock::now();
    WriteInstallLog(L"dropped", false);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ::CloseHandle(held);
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
    EXPECT_EQ(0u, ReadFileBytes(PathOf(number)).size());
    // The next record, with the file free again, is written.
    WriteInstallLog(L"kept", false);
    EXPECT_EQ(1u, Records(ReadFileBytes(PathOf(number))).size());
}
