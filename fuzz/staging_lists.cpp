// The staging lists of a data file name and the action for a package file name.
#include "engine/staging_lists.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::SplitOnce(fuzz::Utf16(data, size), L'\0');
    const engine::StagingLists lists = engine::BuildStagingLists(parts.first);
    const engine::StagingAction action = engine::StagingActionFor(lists, parts.second);
    // A maker's file is always also a driver file.
    if (engine::ListMentions(lists.makerFiles, parts.second) &&
        !engine::ListMentions(lists.driverFiles, parts.second))
        __builtin_trap();
    // The data file itself is always staged and counted.
    if (!parts.first.empty() &&
        engine::StagingActionFor(lists, parts.first) != engine::StagingAction::CopyChecked)
        __builtin_trap();
    // Every maker's file a package must hold is staged and counted, and a package holding them
    // all lacks none.
    const std::vector<std::wstring> required = engine::MissingMakerFiles(lists, {});
    for (const std::wstring& name : required)
        if (engine::StagingActionFor(lists, name) != engine::StagingAction::CopyChecked)
            __builtin_trap();
    if (!engine::MissingMakerFiles(lists, required).empty())
        __builtin_trap();
    (void)action;
    return 0;
}
