// Conversions between UTF-16 and the system's ANSI code page.
#pragma once

#include <string>

namespace win {

// UTF-16 to the ANSI code page (CP_ACP); unmappable characters become the code page's default
// character.
std::string ToAnsi(const std::wstring& text);

// UTF-16 to the given code page (936 for GBK, say), whatever the system's; unmappable characters
// become the code page's default character.
std::string ToCodePage(const std::wstring& text, unsigned codePage);

// ANSI code page bytes to UTF-16. Stops at the first NUL or after `length` bytes.
std::wstring FromAnsi(const char* bytes, size_t length);

} // namespace win
