// Copying one file into place: copied when missing, kept when identical, replaced when it differs,
// with one retry for read-only and busy targets. Error code "2" when it gives up.
#pragma once

#include <string>

namespace engine {

// Copies source to target (both full paths). True when the target now holds the source's bytes:
// copied, already identical, or replaced. Shows error code "2" when the target is missing and
// cannot be made, or differs and stays read-only or busy after one retry; false without a dialog
// when replacing fails for another reason.
bool CopyFileChecked(const std::wstring& source, const std::wstring& target);

// True when both files can be read and hold the same bytes.
bool FilesIdentical(const std::wstring& source, const std::wstring& target);

} // namespace engine
