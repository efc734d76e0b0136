// The folders a file's path passes through, in the order the file system opens them. Plain rules
// without Windows calls: a run checks each of them before it writes the file.
#pragma once

#include <string>
#include <vector>

namespace unattended {

// The folders below the volume's root that lead to the file, outermost first, then the file
// itself, each as a full path: "C:\a\b\r.json" gives "C:\a", "C:\a\b", "C:\a\b\r.json". The root
// ("C:\", "\\server\share\", "\\?\C:\", "\\?\UNC\server\share\") is not listed: it cannot be a
// link. "/" counts as "\", repeated separators as one; "." is dropped and ".." leaves the folder
// before it, as Windows reads a path (never above the root). Empty for a path that is not full
// (relative, "C:r.json") or is a bare root.
std::vector<std::wstring> PathSteps(const std::wstring& fullPath);

} // namespace unattended
