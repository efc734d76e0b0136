// Hardware-ID matching: patterns and a device's ID, separated by a NUL code unit.
#include "fuzz/fuzz_input.h"
#include "pnp/inf_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::SplitOnce(fuzz::Utf16(data, size), L'\0');
    const std::vector<std::wstring> patterns = fuzz::SplitAll(parts.first, L'\n');
    const bool match = pnp::MatchHardwareId(patterns, parts.second);
    // An ID always matches a pattern equal to itself.
    if (!pnp::MatchHardwareId({parts.second}, parts.second))
        __builtin_trap();
    (void)match;
    return 0;
}
