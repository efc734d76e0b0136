// Turning a fuzzer's bytes into the inputs of the rules: UTF-16 text as Windows has it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Pairs of bytes as UTF-16LE code units (a last odd byte is dropped).
inline std::wstring Utf16(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    return text;
}

// Splits at the first code unit `separator` into two texts.
inline std::pair<std::wstring, std::wstring> SplitOnce(const std::wstring& text,
                                                       wchar_t separator) {
    const std::size_t at = text.find(separator);
    if (at == std::wstring::npos)
        return {text, std::wstring()};
    return {text.substr(0, at), text.substr(at + 1)};
}

// All pieces between `separator`s.
inline std::vector<std::wstring> SplitAll(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        pieces.push_back(
            text.substr(start, at == std::wstring::npos ? std::wstring::npos : at - start));
        if (at == std::wstring::npos)
            return pieces;
        start = at + 1;
    }
}

} // namespace fuzz
