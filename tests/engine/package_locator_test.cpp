// The running installer's package folders and the spooler's driver directory under Wine.
#include "engine/package_locator.h"
#include "engine/spooler_api.h"
#include "tests/support/spooler_objects.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace engine;

namespace {

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

TEST(PackageLocator, ProgramDirectoryHoldsTheProgram) {
    wchar_t module[MAX_PATH];
    ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::wstring dir = GetProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(L'\\', dir.back());
    EXPECT_EQ(0, std::wstring(module).compare(0, dir.size() + 1, dir + L"\\"));
}

// Both builds take the package of the Windows they run on: X64 on 64-bit Windows (the 32-bit
// build under WOW64 too), i386 on 32-bit Windows.
TEST(PackageLocator, TakesThePackageOfThisWindows) {
    const bool windows64 = testing_support::WindowsIs64Bit();
    EXPECT_EQ(windows64, IsNative64Bit());
    EXPECT_EQ(windows64 ? PackagePlatform::X64 : PackagePlatform::X86, NativePlatform());
    EXPECT_EQ(testing_support::ThisWindowsEnvironment(), SpoolerEnvironment());
    const std::wstring dir = GetProgramDirectory();
    const std::wstring package = dir + (windows64 ? L"\\24Pin\\X64\\" : L"\\24Pin\\i386\\");
    EXPECT_EQ(package, GetDriverSourceFolder());
    EXPECT_EQ(package + L"24Pin.inf", GetInfPath());
    EXPECT_EQ(dir + L"\\PrinterInfo.ini", GetCataloguePath());
}

TEST(PackageLocator, DriverDirectoryOfTheRunningEnvironment) {
    std::wstring directory;
    ASSERT_TRUE(GetDriverDirectory(directory));
    EXPECT_NE(L'\\', directory.back());
    // Both builds name this Windows' environment: on 64-bit Windows the 32-bit installer too
    // stages into the x64 folder, where the 64-bit spooler looks for the 64-bit package's files.
    const wchar_t* folder =
        testing_support::WindowsIs64Bit() ? L"\\spool\\drivers\\x64" : L"\\spool\\drivers\\w32x86";
    EXPECT_TRUE(EndsWith(directory, folder)) << directory;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(directory.c_str()));
}

namespace {

BOOL WINAPI RefusingDriverDirectory(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed) {
    *needed = 0;
    ::SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return FALSE;
}

BOOL WINAPI TooLongDriverDirectory(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD size, LPDWORD needed) {
    *needed = size * 2;
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
}

std::wstring g_askedEnvironment;
BOOL WINAPI RecordingDriverDirectory(LPWSTR server, LPWSTR environment, DWORD level, LPBYTE buffer,
                                     DWORD size, LPDWORD needed) {
    g_askedEnvironment = environment != nullptr ? environment : L"(null)";
    return SystemSpooler().GetPrinterDriverDirectoryW(server, environment, level, buffer, size,
                                                      needed);
}

struct SpoolerOverride {
    explicit SpoolerOverride(const SpoolerApi& api) { SetSpoolerForTesting(&api); }
    ~SpoolerOverride() { SetSpoolerForTesting(nullptr); }
};

} // namespace

// A spooler that is not running (or answers with a path longer than the buffer) gives no
// directory, and nothing is made up in its place.
TEST(PackageLocator, SpoolerWithoutDriverDirectory) {
    for (auto* entry : {&RefusingDriverDirectory, &TooLongDriverDirectory}) {
        SpoolerApi api = SystemSpooler();
        api.GetPrinterDriverDirectoryW = entry;
        SpoolerOverride scope(api);
        std::wstring directory = L"unchanged";
        EXPECT_FALSE(GetDriverDirectory(directory));
        EXPECT_EQ(L"unchanged", directory);
    }
}

// The spooler is asked for the directory of this Windows' environment by name: with none it would
// answer for the caller's own, "Windows NT x86" for the 32-bit installer on 64-bit Windows.
TEST(PackageLocator, DriverDirectoryIsAskedForThisWindowsEnvironment) {
    SpoolerApi api = SystemSpooler();
    api.GetPrinterDriverDirectoryW = &RecordingDriverDirectory;
    SpoolerOverride scope(api);
    g_askedEnvironment.clear();
    std::wstring directory;
    ASSERT_TRUE(GetDriverDirectory(directory));
    EXPECT_EQ(testing_support::ThisWindowsEnvironment(), g_askedEnvironment);
}
