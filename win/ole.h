// Entries of ole32, loaded from System32 when first used: only the shortcuts and the system's
// image decoder need COM, and loading it costs every start of the wizard.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace win {

struct OleEntries {
    decltype(&::CoInitialize) CoInitialize;
    decltype(&::CoUninitialize) CoUninitialize;
    decltype(&::CoCreateInstance) CoCreateInstance;
    decltype(&::CreateStreamOnHGlobal) CreateStreamOnHGlobal;
};

// Null entries when ole32 cannot be loaded or lacks them.
const OleEntries& Ole();

} // namespace win
