#include "win/common_controls.h"

#include "win/system_library.h"

namespace win {

namespace {

CommonControls Load() {
    HMODULE module = LoadSystemLibrary(L"comctl32.dll");
    CommonControls api{};
    api.InitCommonControlsEx = GetProc<std::remove_pointer_t<decltype(api.InitCommonControlsEx)>>(
        module, "InitCommonControlsEx");
    api.SetWindowSubclass = GetProc<std::remove_pointer_t<decltype(api.SetWindowSubclass)>>(
        module, "SetWindowSubclass");
    api.RemoveWindowSubclass = GetProc<std::remove_pointer_t<decltype(api.RemoveWindowSubclass)>>(
        module, "RemoveWindowSubclass");
    api.DefSubclassProc =
        GetProc<std::remove_pointer_t<decltype(api.DefSubclassProc)>>(module, "DefSubclassProc");
    api.TrackMouseEvent =
        GetProc<std::remove_pointer_t<decltype(api.TrackMouseEvent)>>(module, "_TrackMouseEvent");
    return api;
}

} // namespace

const CommonControls& Comctl() {
    static const CommonControls api = Load();
    return api;
}

} // namespace win
