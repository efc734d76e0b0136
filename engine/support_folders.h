// The support folders: manuals, tools and the uninstall program copied into the product folder
// under Program Files (x86), with Start-menu shortcuts to the copies.
#pragma once

#include <string>
#include <vector>

namespace engine {

// Copies the three support folders of the program's directory into the product folder, with
// shortcuts. Always true: the support folders never decide the installation.
bool InstallSupportFolders();

// The same from the distribution folder `programDirectory` (without a trailing backslash).
bool InstallSupportFoldersFrom(const std::wstring& programDirectory);

// Copies every file of sourceFolder and of the folders below it side by side into targetFolder
// (both end with a backslash), with CopyFileChecked; signature catalogues (".cat" files) are
// left out. With makeShortcuts, every file copied gets a Start-menu shortcut. The result is that
// of the last file copied or subfolder pass; a tree with neither gives false.
bool CopyFolderTree(const std::wstring& sourceFolder, const std::wstring& targetFolder,
                    bool makeShortcuts);

// Makes or replaces the shortcut to targetPath in the product's Start-menu folder (its manuals or
// tools subfolder when the path lies in one), named after the file's title.
bool CreateStartMenuShortcut(const std::wstring& targetPath);

// Makes the shortcuts to every path of targetPaths as CreateStartMenuShortcut does, with the
// Start-menu folder looked up and COM initialised once for all of them. Gives how many were made.
int CreateStartMenuShortcuts(const std::vector<std::wstring>& targetPaths);

// The current user's Start-menu folder without a trailing backslash, or "" when unknown.
std::wstring GetStartMenuFolder();

// The product folder under Program Files (x86), with a trailing backslash; "" when the Program
// Files folder is unknown.
std::wstring GetProductFolder();

// The product's folder in the Start menu, with a trailing backslash; "" when the Start menu is
// unknown.
std::wstring GetProductStartMenuFolder();

} // namespace engine
