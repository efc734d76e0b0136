// The steps of the product's removal, shared by the removal and the copy that finishes it.
#pragma once

#include "engine/uninstall.h"

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace engine {

// The queues (their jobs purged first), drivers and language monitor of the product: with a
// record, those it names (IsRemovableDriver, IsRemovableMonitor); without, those the catalogue
// names. True when none of them remains.
bool RemoveSpoolerObjects(const std::vector<std::wstring>& models, const InstallRecord* record,
                          UninstallResult& result, bool& found);

// The files staged for the catalogue's models that no installed driver of any maker names any
// more, from the spooler's driver directory and its version folder.
void RemoveDriverFiles(const std::vector<std::wstring>& models, UninstallResult& result,
                       bool& found);

// The INFs the record says installs staged into the system's INF store, once no driver of the
// product remains.
void RemoveStagedInfs(const InstallRecord& record, UninstallResult& result, bool& found);

// A file or folder that could not be removed.
struct LeftOver {
    std::wstring path;
    DWORD error;
};

// Removes a folder's files and folders, then the folder; entries named in `keep` (lower-case
// names directly in the top folder) stay, and so does the folder then. Links to other folders are
// removed, never followed. Collects what could not be removed, in the order it was tried: files
// before their folders. `folder` ends with a backslash.
void RemoveTree(const std::wstring& folder, const std::set<std::wstring>& keep, bool top,
                std::vector<LeftOver>& leftOvers);

bool FolderExists(const std::wstring& folder);

std::wstring LowerCase(std::wstring text);

} // namespace engine
