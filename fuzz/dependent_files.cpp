// The driver's dependent-file list built from a data file name and converted into the spooler's
// double-NUL list, in a buffer of any capacity.
#include "engine/dependent_files.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t capacity = data[0];
    const std::wstring text = fuzz::Utf16(data + 1, size - 1);
    for (const std::wstring& input : {text, engine::DependentFileText(text)}) {
        const std::vector<wchar_t> list = engine::ToNameList(input, capacity);
        // The spooler reads names until an empty one: the list must end with two NULs, inside
        // the buffer, and never be larger than asked for (an empty list needs two units).
        if (list.size() != (capacity < 2 ? 2 : capacity) || list.size() < 2 ||
            list[list.size() - 1] != L'\0' || list[list.size() - 2] != L'\0')
            __builtin_trap();
    }
    return 0;
}
