// The catalogue's bytes: the encoding told from them, and UTF-8 decoded into UTF-16.
#include "engine/catalogue_text.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// UTF-16 units (surrogate pairs joined) back into UTF-8.
std::string EncodeUtf8(const std::wstring& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(text[i]) & 0xFFFFu;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]) & 0xFFFFu;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            bytes.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | (c >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            bytes.push_back(static_cast<char>(0xE0 | (c >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(0xF0 | (c >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const engine::TextEncoding encoding = engine::DetectTextEncoding(bytes);
    std::wstring text;
    const bool wellFormed = engine::DecodeUtf8(bytes, text);
    // What is taken for UTF-8 without a mark decodes.
    if (encoding == engine::TextEncoding::Utf8 && bytes.compare(0, 3, "\xEF\xBB\xBF") != 0 &&
        !wellFormed)
        __builtin_trap();
    if (wellFormed) {
        // Decoding loses nothing but the mark, and gives no lone surrogate.
        const std::string unmarked =
            bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
        if (EncodeUtf8(text) != unmarked)
            __builtin_trap();
        for (std::size_t i = 0; i < text.size(); ++i) {
            const std::uint32_t c = static_cast<std::uint32_t>(text[i]);
            const bool high = c >= 0xD800 && c <= 0xDBFF;
            const bool low = c >= 0xDC00 && c <= 0xDFFF;
            if (low ||
                (high && (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)))
                __builtin_trap();
            if (high)
                ++i;
        }
        const std::string file = engine::Utf16LeFileBytes(text);
        if (file.size() != 2 + 2 * text.size() ||
            engine::DetectTextEncoding(file) != engine::TextEncoding::Utf16Le)
            __builtin_trap();
    }
    return 0;
}
