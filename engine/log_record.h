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

// The log folder in the Documents folder `documents` (with or without a trailing backslash):
// documents + "\Velmora科技有限公司\". Empty when `documents` is empty or only a backslash: the
// log is then not written, rather than into the root of the current drive.
std::wstring InstallLogFolderOf(const std::wstring& documents);

} // namespace engine
