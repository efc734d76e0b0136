// Layout of install log records, time stamps and file names.
#include "engine/log_record.h"

#include <gtest/gtest.h>

using namespace engine;

TEST(LogRecord, TimestampHasNoLeadingZeros) {
    LogTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 9;
    t.hour = 14;
    t.minute = 5;
    t.second = 7;
    t.millisecond = 83;
    EXPECT_EQ(L"     9-12-2026,14:5:7:83 \r\n", FormatLogTimestamp(t));
    t.month = 1;
    t.hour = 0;
    t.minute = 0;
    t.second = 0;
    t.millisecond = 0;
    EXPECT_EQ(L"     9-1-2026,0:0:0:0 \r\n", FormatLogTimestamp(t));
}

TEST(LogRecord, RecordLayouts) {
    const std::wstring stamp = L"<stamp>";
    struct Case {
        bool withLastError;
        std::uint32_t error;
        const wchar_t* expected;
    } cases[] = {
        {false, 5, L"OpenService<stamp>"},
        {true, 0, L"OpenService succeed:  0: <sys><stamp>"},
        {true, 5, L"OpenService failed with error 5: <sys><stamp>"},
        // Codes above 0x7FFFFFFF are written as signed numbers.
        {true, 0xE0000003u, L"OpenService failed with error -536870909: <sys><stamp>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, FormatLogRecord(L"OpenService", c.withLastError, c.error,
                                              c.withLastError ? L"<sys>" : L"", stamp));
    }
}

TEST(LogRecord, FileNames) {
    EXPECT_EQ(L"Log(1).txt", LogFileName(1));
    EXPECT_EQ(L"Log(12).txt", LogFileName(12));
}

// The log folder lies in Documents; without a Documents folder there is none, never a folder in
// the root of the current drive.
TEST(LogRecord, FolderInDocuments) {
    const struct {
        const wchar_t* documents;
        const wchar_t* folder;
    } cases[] = {
        {L"C:\\users\\kv\\Documents", L"C:\\users\\kv\\Documents\\Velmora科技有限公司\\"},
        {L"C:\\users\\kv\\Documents\\", L"C:\\users\\kv\\Documents\\Velmora科技有限公司\\"},
        {L"D:\\", L"D:\\Velmora科技有限公司\\"},
        {L"\\\\server\\home\\kv", L"\\\\server\\home\\kv\\Velmora科技有限公司\\"},
        {L"", L""},
        {L"\\", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.folder, InstallLogFolderOf(c.documents)) << c.documents;
}
