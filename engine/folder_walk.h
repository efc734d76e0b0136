// Listing a folder's entries the way both folder copies walk a tree.
#pragma once

#include <functional>
#include <string>

namespace engine {

// Calls visit(name, isFolder) for every entry of `folder` (ending with a backslash) in the order
// the file system lists them, "." and ".." left out. False when the folder cannot be listed.
bool ForEachFolderEntry(const std::wstring& folder,
                        const std::function<void(const std::wstring& name, bool isFolder)>& visit);

} // namespace engine
