// The catalogue's model names: those offered and those left out, with their log records.
#include "engine/model_names.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> entries = fuzz::SplitAll(fuzz::Utf16(data, size), L'\0');
    const engine::OfferedModels offered = engine::SelectOfferedModels(entries);
    std::size_t nonEmpty = 0;
    for (const std::wstring& entry : entries)
        nonEmpty += entry.empty() ? 0 : 1;
    // Every non-empty entry is either offered or left out with its reason.
    if (offered.names.size() + offered.leftOut.size() != nonEmpty)
        __builtin_trap();
    for (std::size_t i = 0; i < offered.names.size(); ++i) {
        const std::wstring& name = offered.names[i];
        // An offered name can be a printer, driver and file name.
        if (engine::ModelNameFaultOf(name) != engine::ModelNameFault::None ||
            engine::ForbiddenCharacterOf(name) != 0 || name.size() > engine::kLongestModelName)
            __builtin_trap();
        // And is offered once.
        for (std::size_t j = 0; j < i; ++j)
            if (offered.names[j] == name)
                __builtin_trap();
    }
    for (const engine::LeftOutModel& model : offered.leftOut)
        if (model.fault == engine::ModelNameFault::None ||
            model.fault == engine::ModelNameFault::Empty ||
            engine::LeftOutModelText(model).find(model.name) == std::wstring::npos)
            __builtin_trap();
    return 0;
}
