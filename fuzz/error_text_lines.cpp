// The error dialog's line breaking of an error code of any length.
#include "controls/error_text_layout.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring code = fuzz::Utf16(data, size);
    const controls::ErrorTextLayout layout = controls::LayoutErrorText(code);
    // Every unit of the code is drawn exactly once, in order.
    std::wstring drawn = layout.lines.front().text.substr(5);
    for (std::size_t i = 1; i + 2 < layout.lines.size(); ++i)
        drawn += layout.lines[i].text;
    if (drawn != code)
        __builtin_trap();
    return 0;
}
