#include "win/ole.h"

#include "win/system_library.h"

namespace win {

namespace {

OleEntries Load() {
    HMODULE module = LoadSystemLibrary(L"ole32.dll");
    OleEntries api{};
    Resolve(api.CoInitialize, module, "CoInitialize");
    Resolve(api.CoUninitialize, module, "CoUninitialize");
    Resolve(api.CoCreateInstance, module, "CoCreateInstance");
    Resolve(api.CreateStreamOnHGlobal, module, "CreateStreamOnHGlobal");
    return api;
}

} // namespace

const OleEntries& Ole() {
    static const OleEntries api = Load();
    return api;
}

} // namespace win
