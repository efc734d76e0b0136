// A font file's name table read into the Fonts value name.
#include "engine/font_names.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    std::size_t reads = 0;
    const engine::FontFileReader read = [&](std::uint32_t offset, std::uint32_t length) {
        ++reads;
        return offset >= file.size() ? std::string() : file.substr(offset, length);
    };
    const std::wstring name = engine::ReadFontFullName(read);
    // A name is one line of text without blanks at its ends.
    for (wchar_t c : name)
        if (c < 0x20 || c == 0x7F)
            __builtin_trap();
    if (!name.empty() && (name.front() == L' ' || name.back() == L' '))
        __builtin_trap();
    // Every value name ends with its kind.
    const std::wstring value = engine::FontRegistryName(L"font.ttf", read);
    if (value.size() < 11 || (value.compare(value.size() - 11, 11, L" (TrueType)") != 0 &&
                              value.compare(value.size() - 11, 11, L" (OpenType)") != 0))
        __builtin_trap();
    // A collection's faces are read one by one: a bounded number of reads.
    if (reads > 2 * (3 + 64 * 3) + 1)
        __builtin_trap();
    return 0;
}
