// Folder links made for real in the bench: Wine 8 makes no Windows link (CreateSymbolicLinkW
// answers TRUE and makes nothing, FSCTL_SET_REPARSE_POINT fails with 50), but shows a Unix symbolic
// link to a folder as a folder with FILE_ATTRIBUTE_REPARSE_POINT. Under Wine the link is made and
// removed with the host's ln and rm; on Windows with CreateSymbolicLinkW and RemoveDirectoryW.
#pragma once

#include <string>

namespace testing_support {

// A link at `link` (not there yet) leading to the folder `target`; false when it cannot be made or
// is not seen as a reparse point.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);

// Removes a folder link, not what it leads to.
void RemoveFolderLink(const std::wstring& link);

} // namespace testing_support
