// The report an unattended run writes for its deployment system: one JSON object, UTF-8.
#pragma once

#include <string>
#include <vector>

namespace unattended {

struct ReportStep {
    std::wstring step;
    bool ok = true;
    unsigned long error = 0; // the system's error code, 0 when the step succeeded
};

struct ReportCheck {
    std::wstring check;
    bool ok = true;
    std::wstring detail;
    bool warning = false; // informs; a failed warning does not fail the check
};

struct Report {
    std::wstring result; // "installed", "removed", "checked", "failed", "cancelled"
    int exitCode = 0;
    std::wstring errorCode; // "" or "1".."7"
    std::wstring message;   // why, in a sentence, when the run failed before the job
    std::wstring route;     // "plugAndPlay", "spooler" or ""
    std::wstring change;    // "added", "updated", "unchanged", or "" when nothing was installed
    std::wstring model;
    std::wstring printerName;
    std::wstring port;
    std::wstring driver;
    std::wstring package; // "X64" or "i386"
    std::wstring environment;
    std::wstring version;          // this installer's
    std::wstring installedVersion; // the product's on the machine before the run; "" for none
    std::wstring startedAt;        // UTC, ISO 8601
    long long durationMs = 0;
    std::wstring log;        // the /log file when one was given, else the install log
    std::wstring installLog; // the install log (GetInstallLogFolder: Documents or ProgramData)
    std::vector<ReportStep> steps;
    std::vector<ReportCheck> checks; // the pre-flight's rows, when it ran
};

// The report as UTF-8 JSON text, indented, ending with a line feed. Text that is not valid
// UTF-16 (a lone surrogate) is written with U+FFFD in its place.
std::string ReportJson(const Report& report);

// UTF-16 to UTF-8, lone surrogates as U+FFFD.
std::string Utf8Of(const std::wstring& text);

// "2026-12-10T18:34:24.123Z" from the parts of a UTC time.
std::wstring IsoUtcTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond);

} // namespace unattended
