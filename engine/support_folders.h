// The support folders: manuals, tools and the uninstall program copied into the product folder
// under Program Files (x86), with shortcuts to the copies in the product's folder of the Start
// menu's Programs folder: the common Programs folder (all users) for a machine-wide run (SYSTEM
// or /allusers, MachineWideRun), the user's Programs folder otherwise.
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
// left out. With makeShortcuts, every file copied gets a shortcut as CreateStartMenuShortcut
// makes it. The result is that of the last file copied or subfolder pass; a tree with neither
// gives false.
bool CopyFolderTree(const std::wstring& sourceFolder, const std::wstring& targetFolder,
                    bool makeShortcuts);

// Makes or replaces the shortcut to targetPath in the product's folder of this run's Programs
// folder (GetProgramsFolder; its manuals or tools subfolder when the path lies in one), named
// after the file's title. False when the Programs folder is unknown.
bool CreateStartMenuShortcut(const std::wstring& targetPath);

// Makes the shortcuts to every path of targetPaths as CreateStartMenuShortcut does, with the
// Programs folder looked up and COM initialised once for all of them. Gives how many were made.
int CreateStartMenuShortcuts(const std::vector<std::wstring>& targetPaths);

// The root of the current user's Start menu without a trailing backslash, or "" when unknown.
// Earlier versions put their shortcuts there; Windows 10 and 11 show only the Programs folders.
std::wstring GetStartMenuFolder();

// The Programs folder that receives this run's shortcuts, without a trailing backslash: the
// common one (CSIDL_COMMON_PROGRAMS) for a machine-wide run, the current user's (CSIDL_PROGRAMS)
// otherwise; "" when unknown.
std::wstring GetProgramsFolder();

// The product folder under Program Files (x86), with a trailing backslash; "" when the Program
// Files folder is unknown.
std::wstring GetProductFolder();

// The product's folder in this run's Programs folder, with a trailing backslash; "" when the
// Programs folder is unknown.
std::wstring GetProductStartMenuFolder();

// Every place a product's Start-menu folder may lie, with trailing backslashes: in the user's
// Programs folder, in the common Programs folder and in the Start menu's root (earlier
// versions), each once; places the system does not tell are left out.
std::vector<std::wstring> GetProductStartMenuFolders();

} // namespace engine
