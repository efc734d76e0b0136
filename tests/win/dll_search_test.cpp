// A DLL planted beside the program under a system DLL's name is never loaded once start-up has
// restricted the search path.
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace testing_support;

namespace {

DWORD RunProbe(const std::wstring& exe, const wchar_t* mode) {
    std::wstring commandLine = L"\"" + exe + L"\" " + mode;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &si, &pi))
        return 0xFFFF;
    ::WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 0xFFFE;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return code;
}

class DllSearch : public ::testing::Test {
protected:
    void SetUp() override {
        // Wine prefers its own built-in copy of a system DLL to a file of that name. This makes
        // it load what the search path finds for the probe, as Windows does, so the plant is real.
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegCreateKeyExW(HKEY_CURRENT_USER,
                                    L"Software\\Wine\\AppDefaults\\probe.exe\\DllOverrides", 0,
                                    nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
        const wchar_t order[] = L"native,builtin";
        ::RegSetValueExW(key, L"winspool.drv", 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                         sizeof(order));
        ::RegCloseKey(key);
        folder = MakeScratchFolder(L"planted");
        probe = folder + L"probe.exe";
        ASSERT_TRUE(::CopyFileW(WinePathOf(DLL_PROBE).c_str(), probe.c_str(), FALSE));
        ASSERT_TRUE(::CopyFileW(WinePathOf(PLANTED_DLL).c_str(), (folder + L"winspool.drv").c_str(),
                                FALSE));
    }
    void TearDown() override { RemoveTree(folder); }
    std::wstring folder;
    std::wstring probe;
};

} // namespace

TEST_F(DllSearch, PlantedDllIsIgnoredAfterRestriction) {
    // Without protection the planted copy wins: the bench reproduces the attack.
    ASSERT_EQ(1u, RunProbe(probe, L"plain"));
    // After the start-up restriction even a plain LoadLibraryW gets the system's copy.
    EXPECT_EQ(0u, RunProbe(probe, L"restrict"));
    // The system loader takes System32's copy even where the restriction is unavailable.
    EXPECT_EQ(0u, RunProbe(probe, L"system"));
}
