// Paths of the support folders and their Start-menu shortcuts.
#include "engine/support_paths.h"

#include "engine/staging_lists.h"

namespace engine {

std::wstring ProductFolderOf(const std::wstring& programFilesX86) {
    return programFilesX86 + L"\\" + kProductFolderName + L"\\";
}

std::vector<SupportFolder> SupportFoldersOf(const std::wstring& programDirectory,
                                            const std::wstring& programFilesX86) {
    const std::wstring product = ProductFolderOf(programFilesX86);
    const std::wstring d = programDirectory + L"\\";
    return {
        {d + kUninstallFolderName + L"\\", product},
        {d + kManualsFolderName + L"\\", product + kManualsFolderName + L"\\"},
        {d + kToolsFolderName + L"\\", product + kToolsFolderName + L"\\"},
    };
}

bool IsLeftOutOfFolderCopy(const std::wstring& sourcePath) {
    // Only the file's own extension tells: a folder's name or a dot inside the title does not.
    std::wstring title;
    std::wstring extension;
    SplitFileTitle(sourcePath, title, extension);
    if (extension.size() != 3)
        return false;
    for (std::size_t i = 0; i < 3; ++i) {
        wchar_t c = extension[i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != L"cat"[i])
            return false;
    }
    return true;
}

std::wstring StartMenuSubfolderFor(const std::wstring& targetPath) {
    for (const wchar_t* folder : {kToolsFolderName, kManualsFolderName}) {
        const std::wstring sub = std::wstring(folder) + L"\\";
        if (targetPath.find(sub) != std::wstring::npos)
            return sub;
    }
    return std::wstring();
}

void SplitFileTitle(const std::wstring& path, std::wstring& title, std::wstring& extension) {
    const std::size_t separator = path.find_last_of(L"\\/");
    const std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos) {
        title = name;
        extension.clear();
        return;
    }
    title = name.substr(0, dot);
    extension = name.substr(dot + 1);
}

std::wstring ShortcutPathFor(const std::wstring& programsFolder, const std::wstring& targetPath) {
    std::wstring title;
    std::wstring extension;
    SplitFileTitle(targetPath, title, extension);
    return programsFolder + L"\\" + kProductFolderName + L"\\" + StartMenuSubfolderFor(targetPath) +
           title + L".lnk";
}

namespace {

std::wstring WithoutTrailingBackslashes(std::wstring path) {
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    return LowerAscii(a) == LowerAscii(b);
}

} // namespace

std::vector<std::wstring> ProductStartMenuFoldersOf(const std::vector<std::wstring>& menuFolders) {
    std::vector<std::wstring> seen;
    std::vector<std::wstring> folders;
    for (const std::wstring& menu : menuFolders) {
        const std::wstring folder = WithoutTrailingBackslashes(menu);
        if (folder.empty())
            continue;
        bool named = false;
        for (const std::wstring& earlier : seen)
            named = named || SameFolder(earlier, folder);
        if (named)
            continue;
        seen.push_back(folder);
        folders.push_back(folder + L"\\" + kProductFolderName + L"\\");
    }
    return folders;
}

} // namespace engine
