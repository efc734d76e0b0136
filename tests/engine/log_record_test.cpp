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

// The log folder lies in the folder given; without one there is none, never a folder in the root
// of the current drive.
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

TEST(LogRecord, PathInFolder) {
    const struct {
        const wchar_t* path;
        const wchar_t* folder;
        bool inside;
    } cases[] = {
        {L"C:\\Windows\\system32\\config\\systemprofile\\Documents", L"C:\\Windows", true},
        {L"c:\\windows\\ServiceProfiles\\LocalService\\Documents", L"C:\\WINDOWS\\", true},
        {L"C:\\Windows", L"C:\\Windows\\", true},
        {L"C:/Windows/System32/config/systemprofile/Documents", L"C:\\Windows", true},
        {L"C:\\Windows.old\\Users\\kv\\Documents", L"C:\\Windows", false},
        {L"C:\\WindowsApps\\x", L"C:\\Windows", false},
        {L"C:\\Users\\kv\\Documents", L"C:\\Windows", false},
        {L"D:\\Windows\\Documents", L"C:\\Windows", false},
        {L"C:\\Users\\kv\\Documents", L"", false},
        {L"", L"C:\\Windows", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.inside, IsPathInFolder(c.path, c.folder)) << c.path << L" in " << c.folder;
}

// A machine-wide run logs into ProgramData; a user's run into Documents when that folder is
// there and a user's own, into ProgramData when it is unknown, absent or a service account's.
TEST(LogRecord, FolderOfTheRun) {
    const std::wstring documents = L"C:\\users\\kv\\Documents";
    const std::wstring systemDocuments = L"C:\\Windows\\system32\\config\\systemprofile\\Documents";
    const std::wstring programData = L"C:\\ProgramData";
    const std::wstring inDocuments = documents + L"\\Velmora科技有限公司\\";
    const std::wstring inProgramData = programData + L"\\Velmora科技有限公司\\";
    const struct {
        const char* what;
        bool machineWide;
        std::wstring documents;
        bool documentsExists;
        std::wstring programData;
        std::wstring folder;
    } cases[] = {
        {"user's run", false, documents, true, programData, inDocuments},
        {"user's run, Documents absent", false, documents, false, programData, inProgramData},
        {"user's run, Documents unknown", false, L"", false, programData, inProgramData},
        {"user's run, Documents only a backslash", false, L"\\", true, programData, inProgramData},
        {"user's run in a service account's profile", false, systemDocuments, true, programData,
         inProgramData},
        {"machine-wide run", true, documents, true, programData, inProgramData},
        {"machine-wide run as SYSTEM", true, systemDocuments, true, programData, inProgramData},
        {"machine-wide run, ProgramData unknown", true, documents, true, L"", L""},
        {"user's run, ProgramData unknown", false, documents, true, L"", inDocuments},
        {"user's run, neither known", false, L"", false, L"", L""},
        {"ProgramData with a trailing backslash", true, L"", false, programData + L"\\",
         inProgramData},
    };
    for (const auto& c : cases) {
        LogPlaces places;
        places.machineWide = c.machineWide;
        places.documents = c.documents;
        places.documentsExists = c.documentsExists;
        places.windowsFolder = L"C:\\Windows";
        places.programData = c.programData;
        EXPECT_EQ(c.folder, InstallLogFolderFor(places)) << c.what;
    }
}
