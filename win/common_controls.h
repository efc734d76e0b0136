// Entries of comctl32 (version 6 through the manifest), loaded from System32 when first used.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace win {

struct CommonControls {
    decltype(&::InitCommonControlsEx) InitCommonControlsEx;
    decltype(&::_TrackMouseEvent) TrackMouseEvent;
};

// Null entries when comctl32 lacks them.
const CommonControls& Comctl();

} // namespace win
