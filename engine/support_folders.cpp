// The support folders copied into the product folder, with Start-menu shortcuts.
#include "engine/support_folders.h"

#include "engine/folder_walk.h"

#include "engine/checked_copy.h"
#include "engine/package_locator.h"
#include "engine/support_paths.h"
#include "win/ole.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

namespace engine {

namespace {

constexpr wchar_t kShortcutDescription[] = L"Shortcut created by custom code";

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

std::wstring ProgramFilesX86() {
    wchar_t path[MAX_PATH] = L"";
    if (!::SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILESX86, FALSE))
        return std::wstring();
    return WithoutTrailingBackslash(path);
}

// Writes the shell link. COM is initialised on the calling thread for the time of the call; a
// caller making several links keeps it initialised around all of them, so that it is set up once.
bool SaveShellLink(const std::wstring& targetPath, const std::wstring& linkPath) {
    const win::OleEntries& ole = win::Ole();
    if (ole.CoInitialize == nullptr || ole.CoUninitialize == nullptr ||
        ole.CoCreateInstance == nullptr)
        return false;
    const HRESULT init = ole.CoInitialize(nullptr);
    bool saved = false;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(ole.CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkW, reinterpret_cast<void**>(&link)))) {
        link->SetPath(targetPath.c_str());
        link->SetDescription(kShortcutDescription);
        link->SetShowCmd(SW_SHOW);
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            saved = SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
            file->Release();
        }
        link->Release();
    }
    // A thread already in another apartment keeps it: only a successful initialisation is undone.
    if (SUCCEEDED(init))
        ole.CoUninitialize();
    return saved;
}

// The shortcut to targetPath under the Start-menu folder startMenu (not empty).
bool CreateShortcutUnder(const std::wstring& startMenu, const std::wstring& targetPath) {
    const std::wstring productFolder = startMenu + L"\\" + kProductFolderName + L"\\";
    ::CreateDirectoryW(productFolder.c_str(), nullptr);
    const std::wstring folder = productFolder + StartMenuSubfolderFor(targetPath);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return SaveShellLink(targetPath, ShortcutPathFor(startMenu, targetPath));
}

// Copies the tree as CopyFolderTree does; the copies made are added to `copies` when given.
bool CopyTree(const std::wstring& sourceFolder, const std::wstring& targetFolder,
              std::vector<std::wstring>* copies) {
    bool result = false;
    ForEachFolderEntry(sourceFolder, [&](const std::wstring& name, bool isFolder) {
        if (isFolder) {
            result = CopyTree(sourceFolder + name + L"\\", targetFolder, copies);
            return;
        }
        const std::wstring source = sourceFolder + name;
        if (IsLeftOutOfFolderCopy(source))
            return;
        const std::wstring target = targetFolder + name;
        result = CopyFileChecked(source, target);
        if (result && copies != nullptr)
            copies->push_back(target);
    });
    return result;
}

} // namespace

std::wstring GetStartMenuFolder() {
    IMalloc* allocator = nullptr;
    if (FAILED(::SHGetMalloc(&allocator)))
        return std::wstring();
    std::wstring folder;
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_STARTMENU, &items))) {
        wchar_t path[MAX_PATH] = L"";
        if (::SHGetPathFromIDListW(items, path))
            folder = WithoutTrailingBackslash(path);
        allocator->Free(items);
    }
    allocator->Release();
    return folder;
}

std::wstring GetProductFolder() {
    const std::wstring programFiles = ProgramFilesX86();
    return programFiles.empty() ? std::wstring() : ProductFolderOf(programFiles);
}

std::wstring GetProductStartMenuFolder() {
    const std::wstring startMenu = GetStartMenuFolder();
    return startMenu.empty() ? std::wstring() : startMenu + L"\\" + kProductFolderName + L"\\";
}

bool CreateStartMenuShortcut(const std::wstring& targetPath) {
    // Without the Start menu's own folder the shortcut would land in the root of a drive.
    const std::wstring startMenu = GetStartMenuFolder();
    if (startMenu.empty())
        return false;
    return CreateShortcutUnder(startMenu, targetPath);
}

int CreateStartMenuShortcuts(const std::vector<std::wstring>& targetPaths) {
    if (targetPaths.empty())
        return 0;
    const std::wstring startMenu = GetStartMenuFolder();
    if (startMenu.empty())
        return 0;
    const win::OleEntries& ole = win::Ole();
    const HRESULT init = ole.CoInitialize != nullptr ? ole.CoInitialize(nullptr) : E_FAIL;
    int made = 0;
    for (const std::wstring& target : targetPaths)
        made += CreateShortcutUnder(startMenu, target) ? 1 : 0;
    if (SUCCEEDED(init) && ole.CoUninitialize != nullptr)
        ole.CoUninitialize();
    return made;
}

bool CopyFolderTree(const std::wstring& sourceFolder, const std::wstring& targetFolder,
                    bool makeShortcuts) {
    std::vector<std::wstring> copies;
    const bool result = CopyTree(sourceFolder, targetFolder, makeShortcuts ? &copies : nullptr);
    CreateStartMenuShortcuts(copies);
    return result;
}

bool InstallSupportFoldersFrom(const std::wstring& programDirectory) {
    // Without the Program Files folder the copies would land in the root of a drive.
    const std::wstring programFiles = ProgramFilesX86();
    if (programFiles.empty())
        return true;
    const std::wstring product = ProductFolderOf(programFiles);
    ::CreateDirectoryW(product.c_str(), nullptr);
    ::CreateDirectoryW((product + kManualsFolderName + L"\\").c_str(), nullptr);
    ::CreateDirectoryW((product + kToolsFolderName + L"\\").c_str(), nullptr);
    // The shortcuts once every folder is copied: the Start menu's folder and COM are set up once.
    std::vector<std::wstring> copies;
    for (const SupportFolder& folder : SupportFoldersOf(programDirectory, programFiles))
        CopyTree(folder.source, folder.target, &copies);
    CreateStartMenuShortcuts(copies);
    return true;
}

bool InstallSupportFolders() {
    return InstallSupportFoldersFrom(GetProgramDirectory());
}

} // namespace engine
