// Texts of the install log: record layout, time stamp and file names. No Windows calls.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

// A file of this size or longer takes no more records; the next file number is tried.
constexpr std::uint64_t kLogRollOverBytes = 1048576;

struct LogTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// "     D-M-YYYY,h:m:s:ms \r\n", every number without leading zeros.
std::wstring FormatLogTimestamp(const LogTime& time);

// The record text before conversion to the ANSI code page:
//   text + stamp                                               (withLastError false)
//   "<text> succeed:  0: <systemText>" + stamp                 (error 0)
//   "<text> failed with error <signed code>: <systemText>" + stamp
std::wstring FormatLogRecord(const std::wstring& text, bool withLastError, std::uint32_t error,
                             const std::wstring& systemText, const std::wstring& stamp);

// "Log(n).txt"
std::wstring LogFileName(int number);

// The log folder in the folder `base` (Documents or ProgramData, with or without a trailing
// backslash): base + "\Velmora科技有限公司\". Empty when `base` is empty or only a backslash,
// never a folder in the root of the current drive.
std::wstring InstallLogFolderOf(const std::wstring& base);

// What the system tells about the places the log may go.
struct LogPlaces {
    bool machineWide = false; // a run as SYSTEM or for all users (MachineWideRun)
    std::wstring documents;   // the account's Documents folder; empty when unknown
    bool documentsExists = false;
    // The Windows folder: a Documents folder inside it lies in a service account's profile
    // (System32\config\systemprofile, ServiceProfiles), which belongs to no user.
    std::wstring windowsFolder;
    std::wstring programData; // the common application data folder; empty when unknown
};

// True when `path` is `folder` or lies inside it, ASCII letter case aside; with or without
// trailing backslashes. An empty folder holds nothing.
bool IsPathInFolder(const std::wstring& path, const std::wstring& folder);

// The log folder of a run: in ProgramData for a machine-wide run; in Documents for a user's run
// when that folder exists and belongs to a user, in ProgramData otherwise. Empty only when the
// chosen place is unknown.
std::wstring InstallLogFolderFor(const LogPlaces& places);

} // namespace engine
