// INF text: line splitting, section search and collection with both separators.
#include "fuzz/fuzz_input.h"
#include "pnp/inf_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = fuzz::Utf16(data, size);
    pnp::InfLines lines(pnp::SplitLines(text));
    std::vector<std::wstring> entries;
    lines.CollectSection(pnp::kManufacturerHeader, L'=', entries);
    for (const std::wstring& entry : entries) {
        if (entry != pnp::TrimSpace(entry))
            __builtin_trap(); // entries are always trimmed
    }
    lines.CollectSection(pnp::ModelSectionHeader(true), L',', entries);
    lines.CollectSection(pnp::ModelSectionHeader(false), L',', entries);
    lines.FindSection(L"[", true);
    return 0;
}
