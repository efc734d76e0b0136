// How the catalogue's bytes are read: its encoding, UTF-8 decoded to UTF-16, and the UTF-16 file
// the profile functions read whatever the code page. No Windows calls.
#pragma once

#include <string>

namespace engine {

// The encodings a catalogue is found in. A UTF-16LE byte-order mark makes UTF-16; a UTF-8
// byte-order mark, or no mark and bytes that are well-formed UTF-8 with at least one character
// beyond ASCII (as editors save Chinese), make UTF-8; anything else is read in the ANSI code page,
// as the profile functions read it.
enum class TextEncoding { Utf16Le, Utf8, Ansi };

TextEncoding DetectTextEncoding(const std::string& bytes);

// Decodes well-formed UTF-8 (a leading byte-order mark dropped) into UTF-16, characters beyond
// U+FFFF as surrogate pairs. False, with `text` unspecified, for any ill-formed sequence: a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate or a value beyond
// U+10FFFF.
bool DecodeUtf8(const std::string& bytes, std::wstring& text);

// The bytes of a UTF-16LE file with its byte-order mark holding `text`.
std::string Utf16LeFileBytes(const std::wstring& text);

// The longest path the profile functions and the wizard's checks take, with its terminating NUL:
// MAX_PATH.
constexpr std::size_t kLongestPathWithNul = 260;

// True when the catalogue's path can be read: shorter than kLongestPathWithNul, and inside a
// folder ("\PrinterInfo.ini" alone, left when the program's folder is unknown, would be the root
// of the current drive).
bool IsReadableCataloguePath(const std::wstring& path);

} // namespace engine
