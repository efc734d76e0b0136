// The fonts that come with the installer: copied into the system's Fonts folder and registered
// there, so that programs can use them without a restart.
#pragma once

#include <string>

namespace engine {

// The system's Fonts key: value name "<full name> (TrueType)", data the file name.
constexpr wchar_t kFontsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// The system's Fonts folder with a trailing backslash, or "" when the system does not name it.
std::wstring GetFontsFolder();

// Copies the font files (IsFontFileToCopy) of sourceFolder (ending with a backslash) and of the
// folders below it side by side into fontsFolder with CopyFileChecked, and nothing else, then
// registers each copied TrueType or OpenType file (IsFontFileName): its value in the Fonts key
// and AddFontResourceW. A font found in the Fonts folder byte for byte and already named by its
// value is left as it is: neither copied nor registered again. When any was registered, one
// WM_FONTCHANGE is broadcast. An empty fontsFolder (the system did not name it) copies nothing.
// Returns the number of fonts registered.
int InstallFonts(const std::wstring& sourceFolder, const std::wstring& fontsFolder);

} // namespace engine
