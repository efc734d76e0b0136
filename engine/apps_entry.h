// The product's entry in Apps & Features (Programs and Features): the uninstall key with its
// values, and the copy of the installer and its catalogue kept in the product folder, which the
// entry runs to remove the product.
#pragma once

#include <windows.h>

#include <string>

namespace engine {

// The Uninstall key, always in the 32-bit registry view: the product folder lies under Program
// Files (x86) for both builds, and so the 32-bit and the 64-bit installer find one entry.
constexpr wchar_t kUninstallKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr REGSAM kProductEntryView = KEY_WOW64_32KEY;

// After a successful installation: copies the running program (as "Setup.exe") and the catalogue
// beside it in programDirectory into the product folder, then writes the entry. Every system call
// goes into the install log. False when a copy or the entry could not be made; the entry is then
// not written (or not left half-written). Shows nothing. Without withEntry only the copies are
// made, and an entry an earlier installation wrote is deleted: a Windows Installer package that
// installs the product has its own.
bool RegisterProduct(const std::wstring& programDirectory, bool withEntry = true);

// The same with programPath as the program kept and whose version resource gives DisplayVersion.
// A program without a version resource gives an entry without DisplayVersion.
bool RegisterProductFrom(const std::wstring& programDirectory, const std::wstring& programPath,
                         bool withEntry = true);

// Deletes the entry; true when it is gone (also when there was none). Otherwise the calling
// thread's last error is the registry's refusal.
bool RemoveProductEntry();

// True when the entry is present.
bool ProductEntryExists();

// The entry's DisplayVersion: the version of the product installed; empty when there is no entry
// or it has no version.
std::wstring InstalledProductVersion();

} // namespace engine
