// Loading of system DLLs from System32 only, so that a DLL planted beside the program is never
// used.
#pragma once

#include <windows.h>

#include <type_traits>

namespace win {

// Removes the program's folder and the current folder from the DLL search path of the process.
// Must run before anything loads a DLL that is not a KnownDLL. Returns true when the strict
// System32-only search is in force.
bool RestrictDllSearchPath();

// Loads a system DLL by its bare name from the System32 folder, never from the program's folder.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Typed GetProcAddress; ordinal entries are looked up with MAKEINTRESOURCEA(ordinal).
template <typename F> F* GetProc(HMODULE module, const char* nameOrOrdinal) {
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<F*>(reinterpret_cast<void*>(::GetProcAddress(module, nameOrOrdinal)));
}

// Sets a function-pointer entry from the module's export of that name (null when missing).
template <typename F> void Resolve(F*& entry, HMODULE module, const char* nameOrOrdinal) {
    entry = GetProc<F>(module, nameOrOrdinal);
}

} // namespace win
