// The install log: records appended to Log(n).txt in the folder Velmora科技有限公司 of
// ProgramData for a machine-wide run (SYSTEM or /allusers), of the user's Documents otherwise.
#pragma once

#include <string>

namespace engine {

// Appends one record. With withLastError, the record carries the calling thread's last error as it
// was when the call began, with the system's text for it. Never fails visibly: a record that
// cannot be written within a short time, or with no log folder known, is dropped. Safe to call
// from any thread.
void WriteInstallLog(const std::wstring& text, bool withLastError);

// One step of an installation, in the records WriteInstallLog makes with a last error: "<step>
// succeed:  0: <system text>" when error is 0, "<step> failed with error <error>: <system
// text>" otherwise. Leaves the calling thread's last error at `error`.
void WriteInstallStep(const std::wstring& step, unsigned long error);

// A second file that receives every record as well (an administrator's /log), from now on; empty
// for none. Its records are appended whatever its size. The copy is not written through a link at
// its end (a record then counts as failed) unless followLink says the caller has checked the link.
void SetInstallLogCopy(const std::wstring& path, bool followLink = false);

// True when a record could not be written whole to the copy since it was set.
bool InstallLogCopyFailed();

// The log folder with its trailing backslash: %ProgramData%\Velmora科技有限公司\ for a
// machine-wide run (MachineWideRun), and for a user's run whose Documents folder is unknown,
// absent or inside the Windows folder (a service account's profile); the user's
// Documents\Velmora科技有限公司\ otherwise (InstallLogFolderFor). The same path from 32-bit and
// 64-bit programs. Empty only when that folder is unknown, and then no record is written.
std::wstring GetInstallLogFolder();

// The number of the file that last received a record (1 at the start of every run).
int GetInstallLogFileNumber();

} // namespace engine
