// Reading a font's full name from its name table: big-endian records, every offset checked.
#include "engine/font_names.h"

#include "engine/support_paths.h"

#include <cwctype>
#include <vector>

namespace engine {

namespace {

constexpr std::uint32_t kTrueTypeVersion = 0x00010000;
constexpr std::uint32_t kAppleTrueType = 0x74727565;      // "true"
constexpr std::uint32_t kPostScriptOutlines = 0x4F54544F; // "OTTO"
constexpr std::uint32_t kCollection = 0x74746366;         // "ttcf"
constexpr std::uint32_t kNameTable = 0x6E616D65;          // "name"
constexpr std::uint16_t kFullName = 4;
constexpr std::uint16_t kWindowsPlatform = 3;
constexpr std::uint16_t kMacintoshPlatform = 1;
constexpr std::uint16_t kEnglishUnitedStates = 0x0409;
// More faces than any real collection holds; a larger count is a broken file.
constexpr std::uint32_t kMostFaces = 64;

std::uint32_t Big16(const std::string& bytes, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 8) |
           static_cast<unsigned char>(bytes[at + 1]);
}

std::uint32_t Big32(const std::string& bytes, std::size_t at) {
    return (Big16(bytes, at) << 16) | Big16(bytes, at + 2);
}

// `length` bytes from `offset`, or false when the file is shorter.
bool ReadExactly(const FontFileReader& read, std::uint32_t offset, std::uint32_t length,
                 std::string& bytes) {
    bytes = read(offset, length);
    return bytes.size() == length;
}

std::uint32_t Tag(const FontFileReader& read, std::uint32_t offset) {
    std::string bytes;
    return ReadExactly(read, offset, 4, bytes) ? Big32(bytes, 0) : 0;
}

// How good a full-name record is: Windows English best, then any Windows language, then the
// Macintosh Roman name; 0 for a record that is not used.
int Rank(std::uint32_t platform, std::uint32_t encoding, std::uint32_t language) {
    if (platform == kWindowsPlatform && (encoding == 0 || encoding == 1 || encoding == 10))
        return language == kEnglishUnitedStates ? 3 : 2;
    if (platform == kMacintoshPlatform && encoding == 0 && language == 0)
        return 1;
    return 0;
}

std::wstring DecodeName(const std::string& bytes, bool utf16) {
    std::wstring name;
    if (utf16) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            name.push_back(static_cast<wchar_t>(Big16(bytes, i)));
    } else {
        // Macintosh Roman: its ASCII half is taken as it is, the rest is not used in names here.
        for (char c : bytes)
            name.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'?');
    }
    // A name is one line of printable text.
    std::wstring clean;
    for (wchar_t c : name)
        if (c >= 0x20 && c != 0x7F)
            clean.push_back(c);
    const std::size_t first = clean.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return std::wstring();
    return clean.substr(first, clean.find_last_not_of(L' ') - first + 1);
}

// The full name of the face whose table directory starts at `face`.
std::wstring FaceFullName(const FontFileReader& read, std::uint32_t face) {
    std::string header;
    if (!ReadExactly(read, face, 12, header))
        return std::wstring();
    const std::uint32_t version = Big32(header, 0);
    if (version != kTrueTypeVersion && version != kAppleTrueType && version != kPostScriptOutlines)
        return std::wstring();
    const std::uint32_t tables = Big16(header, 4);
    std::string directory;
    if (!ReadExactly(read, face + 12, tables * 16, directory))
        return std::wstring();
    for (std::uint32_t t = 0; t < tables; ++t) {
        if (Big32(directory, t * 16) != kNameTable)
            continue;
        const std::uint32_t offset = Big32(directory, t * 16 + 8);
        const std::uint32_t length = Big32(directory, t * 16 + 12);
        std::string table;
        // A name table is at most 64 KiB of records and strings, plus the header.
        if (length < 6 || length > 0x30000 || !ReadExactly(read, offset, length, table))
            return std::wstring();
        const std::uint32_t count = Big16(table, 2);
        const std::uint32_t storage = Big16(table, 4);
        int best = 0;
        std::wstring name;
        for (std::uint32_t r = 0; r < count && 6 + (r + 1) * 12 <= table.size(); ++r) {
            const std::size_t at = 6 + r * 12;
            if (Big16(table, at + 6) != kFullName)
                continue;
            const std::uint32_t platform = Big16(table, at);
            const int rank = Rank(platform, Big16(table, at + 2), Big16(table, at + 4));
            const std::uint32_t size = Big16(table, at + 8);
            const std::uint32_t start = storage + Big16(table, at + 10);
            if (rank <= best || start + size > table.size())
                continue;
            const std::wstring text =
                DecodeName(table.substr(start, size), platform == kWindowsPlatform);
            if (!text.empty()) {
                best = rank;
                name = text;
            }
        }
        return name;
    }
    return std::wstring();
}

} // namespace

namespace {

// The extension after the name's last dot, lower-cased; "" without a dot.
std::wstring LowerExtension(const std::wstring& fileName) {
    const std::size_t dot = fileName.rfind(L'.');
    std::wstring extension;
    if (dot == std::wstring::npos)
        return extension;
    for (wchar_t c : fileName.substr(dot + 1))
        extension.push_back(static_cast<wchar_t>(std::towlower(c)));
    return extension;
}

} // namespace

bool IsFontFileName(const std::wstring& fileName) {
    const std::wstring extension = LowerExtension(fileName);
    return extension == L"ttf" || extension == L"ttc" || extension == L"otf";
}

bool IsFontFileToCopy(const std::wstring& fileName) {
    const std::wstring extension = LowerExtension(fileName);
    return IsFontFileName(fileName) || extension == L"fon" || extension == L"fnt";
}

std::wstring ReadFontFullName(const FontFileReader& read) {
    if (Tag(read, 0) != kCollection)
        return FaceFullName(read, 0);
    std::string header;
    if (!ReadExactly(read, 0, 12, header))
        return std::wstring();
    const std::uint32_t faces = Big32(header, 8);
    std::string offsets;
    if (faces == 0 || faces > kMostFaces || !ReadExactly(read, 12, faces * 4, offsets))
        return std::wstring();
    std::wstring names;
    for (std::uint32_t f = 0; f < faces; ++f) {
        const std::wstring name = FaceFullName(read, Big32(offsets, f * 4));
        if (name.empty())
            return std::wstring();
        names += (f == 0 ? L"" : L" & ") + name;
    }
    return names;
}

bool HasPostScriptOutlines(const FontFileReader& read) {
    return Tag(read, 0) == kPostScriptOutlines;
}

std::wstring FontRegistryName(const std::wstring& fileName, const FontFileReader& read) {
    std::wstring name = ReadFontFullName(read);
    if (name.empty()) {
        std::wstring extension;
        SplitFileTitle(fileName, name, extension);
    }
    return name + (HasPostScriptOutlines(read) ? L" (OpenType)" : L" (TrueType)");
}

} // namespace engine
