// Loads "winspool.drv" the way the installer's start-up does and reports by its exit code which
// copy it received: 0 the system's, 1 a planted copy beside the program, 2 none.
//   dll_probe restrict   RestrictDllSearchPath, then LoadLibraryW (a later plain load)
//   dll_probe system     LoadSystemLibrary without the restriction (the fallback path)
//   dll_probe plain      LoadLibraryW without any protection (shows the plant works)
#include "win/system_library.h"

#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    const wchar_t* mode = argc > 1 ? argv[1] : L"plain";
    HMODULE module = nullptr;
    if (std::wcscmp(mode, L"restrict") == 0) {
        if (!win::RestrictDllSearchPath())
            return 3;
        module = ::LoadLibraryW(L"winspool.drv");
    } else if (std::wcscmp(mode, L"system") == 0) {
        module = win::LoadSystemLibrary(L"winspool.drv");
    } else {
        module = ::LoadLibraryW(L"winspool.drv");
    }
    if (module == nullptr)
        return 2;
    return ::GetProcAddress(module, "PlantedMarker") != nullptr ? 1 : 0;
}
