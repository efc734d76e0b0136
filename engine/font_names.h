// The name under which a font file is registered in the system's Fonts key, read from the font's
// own name table. No Windows calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace engine {

// Reads `length` bytes of the font file from `offset`; fewer (or none) past its end.
using FontFileReader = std::function<std::string(std::uint32_t offset, std::uint32_t length)>;

// True for the files the font copy registers as fonts: ".ttf", ".ttc" and ".otf", in any case.
bool IsFontFileName(const std::wstring& fileName);

// True for the files the font copy puts into the Fonts folder: the registered kinds and the
// bitmap fonts ".fon" and ".fnt", in any case. Licences, read-me files and the like stay out.
bool IsFontFileToCopy(const std::wstring& fileName);

// The full names (name 4 of the name table, preferring the Windows English entry) of the faces
// in a TrueType or OpenType file, or of each face of a collection joined with " & ", as Windows
// names a collection. Empty when the file is none of these or names no face.
std::wstring ReadFontFullName(const FontFileReader& read);

// True when the file is an OpenType file with PostScript outlines ("OTTO").
bool HasPostScriptOutlines(const FontFileReader& read);

// The Fonts value name: the full name + " (TrueType)", or " (OpenType)" for PostScript outlines.
// A file whose name table cannot be read is named after its file title instead.
std::wstring FontRegistryName(const std::wstring& fileName, const FontFileReader& read);

} // namespace engine
