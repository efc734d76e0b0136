// What Setup.exe carries in its resources: the manifest and the version.
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

using namespace testing_support;

namespace {

std::string ResourceText(HMODULE module, LPCWSTR type, LPCWSTR name) {
    HRSRC info = ::FindResourceW(module, name, type);
    if (info == nullptr)
        return std::string();
    HGLOBAL data = ::LoadResource(module, info);
    const char* bytes = static_cast<const char*>(::LockResource(data));
    return bytes != nullptr ? std::string(bytes, ::SizeofResource(module, info)) : std::string();
}

} // namespace

TEST(SetupImage, ManifestAsksForAdministratorCommonControls6AndDpiAwareness) {
    const std::wstring setup = DistDirectory() + L"\\Setup.exe";
    HMODULE image = ::LoadLibraryExW(setup.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, image) << ::GetLastError();
    const std::string manifest = ResourceText(image, MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
    ::FreeLibrary(image);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" "
                                               "version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find(">true</dpiAware>"));
}

TEST(SetupImage, VersionResource) {
    const std::wstring setup = DistDirectory() + L"\\Setup.exe";
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeW(setup.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(::GetFileVersionInfoW(setup.c_str(), 0, size, &block[0]));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    wchar_t* name = nullptr;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\StringFileInfo\\080404b0\\OriginalFilename",
                                 reinterpret_cast<void**>(&name), &length));
    EXPECT_STREQ(L"Setup.exe", name);
}
