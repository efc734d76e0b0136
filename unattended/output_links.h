// The files a run writes for the administrator (/report, /log) are refused when their path passes
// through a link (a junction, a symbolic link, a mount point): an elevated run must not create,
// overwrite or append to a file a standard user chose by planting a link. A link that an
// administrator made (it and what it leads to are owned by Administrators or SYSTEM) is kept.
#pragma once

#include "unattended/command_line.h"

#include <windows.h>

#include <string>

namespace unattended {

// What the check asks the file system. Tests replace it to play links and owners that Wine does
// not make (Wine has no file links and owns every file by the user).
struct LinkCheckApi {
    // The path's own attributes, not those of what a link at its end leads to
    // (GetFileAttributesW); INVALID_FILE_ATTRIBUTES when it is not there.
    DWORD (*attributes)(const wchar_t* path);
    // True when the owner is the Administrators group or SYSTEM: of the link itself with `ofLink`,
    // of what it leads to otherwise. False when the owner cannot be read.
    bool (*ownedByAdministrators)(const wchar_t* path, bool ofLink);
};

// The entries in use: the system's, or a test's replacement.
const LinkCheckApi& LinkCheck();

// The system's entries.
const LinkCheckApi& SystemLinkCheck();

// Replaces the entries for the calling test; nullptr restores the system's.
void SetLinkCheckForTesting(const LinkCheckApi* api);

// The first folder on `path`, or the file itself, that is a link not made by an administrator;
// empty when there is none. Folders that are not there yet end the walk (nothing below them
// exists). A path that is not full is made full against the current folder first.
std::wstring RefusedLinkOn(const std::wstring& path);

// True when `path` itself is a link that the check keeps (made by an administrator).
bool IsAdministratorsLink(const std::wstring& path);

// Checks /report and /log before the run changes anything. 0 when both may be written; otherwise
// the reason is told (console, no box with /quiet) and logged, and the exit code for a refused
// command line is returned.
int RefuseLinkedOutputs(const Options& options);

} // namespace unattended
