#include "engine/catalogue_text.h"

#include <cstdint>

namespace engine {

namespace {

bool StartsWith(const std::string& bytes, const char* mark, std::size_t length) {
    return bytes.size() >= length && bytes.compare(0, length, mark, length) == 0;
}

} // namespace

bool DecodeUtf8(const std::string& bytes, std::wstring& text) {
    text.clear();
    std::size_t at = StartsWith(bytes, "\xEF\xBB\xBF", 3) ? 3 : 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        std::uint32_t value = 0;
        std::size_t length = 0;
        std::uint32_t least = 0;
        if (lead < 0x80) {
            text.push_back(static_cast<wchar_t>(lead));
            ++at;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            value = lead & 0x1Fu;
            length = 2;
            least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            value = lead & 0x0Fu;
            length = 3;
            least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            value = lead & 0x07u;
            length = 4;
            least = 0x10000;
        } else {
            return false; // a continuation byte without a lead, or a lead no character has
        }
        if (bytes.size() - at < length)
            return false;
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(bytes[at + i]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            value = (value << 6) | (next & 0x3Fu);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        if (value >= 0x10000) {
            value -= 0x10000;
            text.push_back(static_cast<wchar_t>(0xD800 + (value >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + (value & 0x3FFu)));
        } else {
            text.push_back(static_cast<wchar_t>(value));
        }
        at += length;
    }
    return true;
}

TextEncoding DetectTextEncoding(const std::string& bytes) {
    if (StartsWith(bytes, "\xFF\xFE", 2))
        return TextEncoding::Utf16Le;
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3))
        return TextEncoding::Utf8;
    bool beyondAscii = false;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            beyondAscii = true;
            break;
        }
    }
    // Plain ASCII reads the same either way; the ANSI code page keeps the profile functions' own
    // reading.
    std::wstring ignored;
    return beyondAscii && DecodeUtf8(bytes, ignored) ? TextEncoding::Utf8 : TextEncoding::Ansi;
}

std::string Utf16LeFileBytes(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + 2 * text.size());
    for (wchar_t c : text) {
        const auto unit = static_cast<std::uint16_t>(c);
        bytes.push_back(static_cast<char>(unit & 0xFFu));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

bool IsReadableCataloguePath(const std::wstring& path) {
    if (path.empty() || path.size() >= kLongestPathWithNul)
        return false;
    const std::size_t slash = path.rfind(L'\\');
    return slash != std::wstring::npos && slash > 0;
}

} // namespace engine
