// Paths the tests use: build folders seen from inside Wine, and scratch folders in the prefix;
// files as bytes, and text as UTF-8 bytes.
#pragma once

#include <string>

namespace testing_support {

// A path of the build machine as Wine sees it (drive Z: is the root file system).
std::wstring WinePathOf(const std::string& unixPath);

// The build's distribution folder (Setup.exe and what lies beside it), without trailing slash.
std::wstring DistDirectory();

// The folder holding the same Setup.exe one version later (the upgrade tests' newer installer),
// without trailing slash.
std::wstring NextSetupDirectory();

// The product's version as the build gives it to Setup.exe ("1.0.0.1"), and the next one's.
std::wstring ProductVersion();
std::wstring NextProductVersion();

// The folder holding the test programs, without trailing slash.
std::wstring TestBinDirectory();

// A new empty folder under the prefix's temporary folder, with a trailing backslash.
std::wstring MakeScratchFolder(const std::wstring& name);

// A shell folder (CSIDL_...) without a trailing backslash; empty when the shell has none.
std::wstring SpecialFolder(int csidl);

// Removes a folder tree; missing folders are fine.
void RemoveTree(const std::wstring& folder);

// Whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

// UTF-16 text as UTF-8 bytes.
std::string Utf8Of(const std::wstring& text);

} // namespace testing_support
