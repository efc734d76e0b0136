// Copying the installer's fonts into the Fonts folder and registering them.
#include "engine/font_install.h"

#include "engine/folder_walk.h"
#include "engine/font_names.h"
#include "engine/checked_copy.h"
#include "win/handle.h"

#include <windows.h>
#include <shlobj.h>

namespace engine {

namespace {

// Reads ranges of a file; nothing past its end.
FontFileReader FileReader(HANDLE file) {
    return [file](std::uint32_t offset, std::uint32_t length) {
        std::string bytes(length, '\0');
        OVERLAPPED at{};
        at.Offset = offset;
        DWORD read = 0;
        if (length == 0 || !::ReadFile(file, &bytes[0], length, &read, &at))
            read = 0;
        bytes.resize(read);
        return bytes;
    };
}

std::wstring RegistryNameOf(const std::wstring& fileName, const std::wstring& path) {
    const win::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return FontRegistryName(fileName,
                                [](std::uint32_t, std::uint32_t) { return std::string(); });
    return FontRegistryName(fileName, FileReader(file.Get()));
}

// True when the Fonts key already has the font's value naming its file: the system loads it at
// every start, and a run before this one made it known for this session.
bool IsRegistered(const std::wstring& fontsFolder, const std::wstring& fileName) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                        &opened) != ERROR_SUCCESS)
        return false;
    const win::RegKey key(opened);
    const std::wstring valueName = RegistryNameOf(fileName, fontsFolder + fileName);
    wchar_t data[MAX_PATH + 1] = L"";
    DWORD size = MAX_PATH * sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    data[size / sizeof(wchar_t)] = L'\0';
    return ::lstrcmpiW(data, fileName.c_str()) == 0;
}

// Copies the font files of the tree side by side into the Fonts folder; gives the names of those
// to register, as they are named there: all but those found there already, byte for byte, and
// registered under their name.
void CopyFontFiles(const std::wstring& folder, const std::wstring& fontsFolder,
                   std::vector<std::wstring>& names) {
    ForEachFolderEntry(folder, [&](const std::wstring& name, bool isFolder) {
        if (isFolder) {
            CopyFontFiles(folder + name + L"\\", fontsFolder, names);
            return;
        }
        if (!IsFontFileToCopy(name))
            return;
        const bool fontFile = IsFontFileName(name);
        if (fontFile && FilesIdentical(folder + name, fontsFolder + name) &&
            IsRegistered(fontsFolder, name))
            return;
        if (CopyFileChecked(folder + name, fontsFolder + name) && fontFile)
            names.push_back(name);
    });
}

// Makes the font in the Fonts folder known to the system now and at every start.
bool RegisterFont(const std::wstring& fontsFolder, const std::wstring& fileName) {
    const std::wstring path = fontsFolder + fileName;
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    // A file the system does not take for a font gets no value that would name it one.
    if (::AddFontResourceW(path.c_str()) == 0)
        return false;
    HKEY opened = nullptr;
    // The Fonts key of the system itself, also from a 32-bit installer on 64-bit Windows.
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                        &opened) != ERROR_SUCCESS)
        return false;
    const win::RegKey key(opened);
    const std::wstring valueName = RegistryNameOf(fileName, path);
    return ::RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(fileName.c_str()),
                            static_cast<DWORD>((fileName.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

} // namespace

std::wstring GetFontsFolder() {
    wchar_t fonts[MAX_PATH] = L"";
    if (!::SHGetSpecialFolderPathW(nullptr, fonts, CSIDL_FONTS, FALSE) || fonts[0] == L'\0')
        return std::wstring();
    std::wstring folder = fonts;
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

int InstallFonts(const std::wstring& sourceFolder, const std::wstring& fontsFolder) {
    // Without the Fonts folder the target would be the root of the current drive.
    if (fontsFolder.empty())
        return 0;
    std::vector<std::wstring> names;
    CopyFontFiles(sourceFolder, fontsFolder, names);
    int registered = 0;
    for (const std::wstring& name : names)
        if (RegisterFont(fontsFolder, name))
            ++registered;
    if (registered > 0)
        ::PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
    return registered;
}

} // namespace engine
