#include "engine/folder_walk.h"

#include <windows.h>

namespace engine {

bool ForEachFolderEntry(const std::wstring& folder,
                        const std::function<void(const std::wstring& name, bool isFolder)>& visit) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            visit(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return true;
}

} // namespace engine
