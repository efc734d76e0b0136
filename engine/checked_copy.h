// Copying one file into place: copied when missing, kept when identical, replaced when it differs,
// with one retry for read-only and busy targets. Error code "2" whenever it gives up.
#pragma once

#include <string>

namespace engine {

// Copies source to target (both full paths). True when the target now holds the source's bytes:
// copied, already identical, or replaced; the target is then never read-only, whatever the
// source's attributes. Otherwise logs the refused copy with its error, reports error code "2" and
// gives false: the target is missing and cannot be made, or differs and cannot be replaced (a
// read-only or busy target after one retry, any other refusal at once).
bool CopyFileChecked(const std::wstring& source, const std::wstring& target);

// Clears the read-only attribute of the file, if it has one.
void ClearReadOnly(const std::wstring& path);

// True when both files can be read and hold the same bytes.
bool FilesIdentical(const std::wstring& source, const std::wstring& target);

} // namespace engine
