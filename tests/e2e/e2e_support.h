// What the end-to-end programs ask of the machine beside Setup.exe: its printers, its Windows and
// its folders.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace e2e {

bool PrinterExists(const std::wstring& name);

// The first free name of `base` and its copies, as the installer will choose it.
std::wstring NextPrinterName(const std::wstring& base);

// Whether Setup.exe runs the spooler route to its end here: the 64-bit installer, or the 32-bit
// one on 32-bit Windows. The 32-bit installer on 64-bit Windows stages the 64-bit package, whose
// language monitor only Windows' 64-bit spooler service can load; Wine's spooler runs inside the
// installer's 32-bit process and refuses it, so there the route ends with code "5" (exit 1603)
// after staging, before any driver or queue is added.
bool WholeRouteRunsHere();

// The names that start with the maker's "Korvane ".
std::set<std::wstring> Ours(const std::vector<std::wstring>& names);

bool FolderExists(const std::wstring& folder);

// A shell folder (CSIDL_...) as the shell gives it; empty when there is none.
std::wstring KnownFolder(int csidl);

// This Windows' own System32: through Sysnative for the 32-bit test on 64-bit Windows.
std::wstring NativeSystemFolder();

// Where the product keeps its installer.
std::wstring ProductFolder();

} // namespace e2e
