// The support folders copied into the product folder, with shortcuts in the Start menu's
// Programs folder: the common one for a machine-wide run, the user's otherwise.
#include "engine/support_folders.h"

#include "engine/folder_walk.h"

#include "engine/checked_copy.h"
#include "engine/package_locator.h"
#include "engine/run_context.h"
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

// A shell folder's path without a trailing backslash, or "" when unknown.
std::wstring ShellFolder(int csidl) {
    IMalloc* allocator = nullptr;
    if (FAILED(::SHGetMalloc(&allocator)))
        return std::wstring();
    std::wstring folder;
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, csidl, &items))) {
        wchar_t path[MAX_PATH] = L"";
        if (::SHGetPathFromIDListW(items, path))
            folder = WithoutTrailingBackslash(path);
        allocator->Free(items);
    }
    allocator->Release();
    return folder;
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

// The shortcut to targetPath under the Programs folder `programs` (not empty).
bool CreateShortcutUnder(const std::wstring& programs, const std::wstring& targetPath) {
    const std::wstring productFolder = programs + L"\\" + kProductFolderName + L"\\";
    ::CreateDirectoryW(productFolder.c_str(), nullptr);
    const std::wstring folder = productFolder + StartMenuSubfolderFor(targetPath);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return SaveShellLink(targetPath, ShortcutPathFor(programs, targetPath));
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
    return ShellFolder(CSIDL_STARTMENU);
}

std::wstring GetProgramsFolder() {
    return ShellFolder(MachineWideRun() ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
}

std::wstring GetProductFolder() {
    const std::wstring programFiles = ProgramFilesX86();
    return programFiles.empty() ? std::wstring() : ProductFolderOf(programFiles);
}

std::wstring GetProductStartMenuFolder() {
    const std::wstring programs = GetProgramsFolder();
    return programs.empty() ? std::wstring() : ProductStartMenuFoldersOf({programs}).front();
}

std::vector<std::wstring> GetProductStartMenuFolders() {
    return ProductStartMenuFoldersOf(
        {ShellFolder(CSIDL_PROGRAMS), ShellFolder(CSIDL_COMMON_PROGRAMS), GetStartMenuFolder()});
}

bool CreateStartMenuShortcut(const std::wstring& targetPath) {
    // Without the Programs folder the shortcut would land in the root of a drive.
    const std::wstring programs = GetProgramsFolder();
    if (programs.empty())
        return false;
    return CreateShortcutUnder(programs, targetPath);
}

int CreateStartMenuShortcuts(const std::vector<std::wstring>& targetPaths) {
    if (targetPaths.empty())
        return 0;
    const std::wstring programs = GetProgramsFolder();
    if (programs.empty())
        return 0;
    const win::OleEntries& ole = win::Ole();
    const HRESULT init = ole.CoInitialize != nullptr ? ole.CoInitialize(nullptr) : E_FAIL;
    int made = 0;
    for (const std::wstring& target : targetPaths)
        made += CreateShortcutUnder(programs, target) ? 1 : 0;
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
    // The shortcuts once every folder is copied: the Programs folder and COM are set up once.
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
