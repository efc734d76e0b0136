#include "win/common_controls.h"

#include "win/system_library.h"

namespace win {

namespace {

CommonControls Load() {
    HMODULE module = LoadSystemLibrary(L"comctl32.dll");
    CommonControls api{};
    Resolve(api.InitCommonControlsEx, module, "InitCommonControlsEx");
    Resolve(api.TrackMouseEvent, module, "_TrackMouseEvent");
    return api;
}

} // namespace

const CommonControls& Comctl() {
    static const CommonControls api = Load();
    return api;
}

} // namespace win
