// Paths of the support folders (manuals, tools, uninstall program) and of their shortcuts in the
// Start menu's Programs folder. No Windows calls.
#pragma once

#include <string>
#include <vector>

namespace engine {

// The product folder under Program Files (x86) and under the Start menu's Programs folder.
constexpr wchar_t kProductFolderName[] = L"Vantrel打印机";
constexpr wchar_t kManualsFolderName[] = L"产品手册";
constexpr wchar_t kToolsFolderName[] = L"工具集";
constexpr wchar_t kUninstallFolderName[] = L"卸载驱动及更新程序";

// One folder of the distribution copied into the product folder; both end with a backslash.
struct SupportFolder {
    std::wstring source;
    std::wstring target;
};

// The uninstall folder, the manuals and the tools, in the order they are copied, from the program
// directory and the Program Files (x86) folder (both without a trailing backslash).
std::vector<SupportFolder> SupportFoldersOf(const std::wstring& programDirectory,
                                            const std::wstring& programFilesX86);

// programFilesX86 + "\Vantrel打印机\".
std::wstring ProductFolderOf(const std::wstring& programFilesX86);

// Files the folder copy leaves out: signature catalogues, the files whose name has the extension
// ".cat" in any letter case.
bool IsLeftOutOfFolderCopy(const std::wstring& sourcePath);

// The Start-menu subfolder that mirrors the copied file's folder: "工具集\", "产品手册\" or "".
std::wstring StartMenuSubfolderFor(const std::wstring& targetPath);

// Splits a path into the file's title and extension. The name is what follows the last "\" or
// "/"; the extension follows its last dot and the title precedes it. A name without a dot is all
// title, with an empty extension.
void SplitFileTitle(const std::wstring& path, std::wstring& title, std::wstring& extension);

// programsFolder + "\Vantrel打印机\" + the mirrored subfolder + the file's title + ".lnk".
std::wstring ShortcutPathFor(const std::wstring& programsFolder, const std::wstring& targetPath);

// The product's folder in each Start-menu folder of `menuFolders` (with or without trailing
// backslashes): folder + "\Vantrel打印机\", in the given order. Empty folders are left out, and a
// folder named again (ASCII letter case and trailing backslashes aside) is given once.
std::vector<std::wstring> ProductStartMenuFoldersOf(const std::vector<std::wstring>& menuFolders);

} // namespace engine
