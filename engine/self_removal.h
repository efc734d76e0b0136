// The kept installer removing the folder it runs from. A running program cannot be deleted, and
// a process's current folder cannot be removed. Scheduling the deletion for the next restart
// would leave PendingFileRenameOperations, which deployment systems read as a restart pending.
// Instead the running program is moved out into the temporary folder (a rename, which Windows
// allows for a running image on its volume), and a temporary copy of it, opened for deletion on
// close and inherited by the copy it starts, waits for the removal to end and deletes the moved
// program (or, where it could not be moved, the product folder); the copy's own file goes when its
// last handle closes with it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace engine {

// Starts the copy that finishes the removal: once this process has ended, and only if the Apps &
// Features entry is gone, it deletes movedProgram and the folder productFolder (no trailing
// backslash). False with the last error set when the copy cannot be made or started.
BOOL WINAPI StartRemovalFinisher(LPCWSTR runningProgram, LPCWSTR productFolder,
                                 LPCWSTR movedProgram);

// True when the program was started as that copy (its first argument is kFinishRemovalSwitch).
bool IsRemovalFinisher(const std::vector<std::wstring>& arguments);

// The copy's work; its exit code: 0 when what it was to delete is gone, 1 when the removal left
// the entry (nothing deleted), 2 when something could not be deleted or the arguments are wrong.
int RunRemovalFinisher(const std::vector<std::wstring>& arguments);

} // namespace engine
