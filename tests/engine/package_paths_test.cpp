// Distribution folder paths built from the program's directory.
#include "engine/package_paths.h"

#include <gtest/gtest.h>

using namespace engine;

TEST(PackagePaths, DirectoryOfModulePath) {
    struct Case {
        const wchar_t* path;
        const wchar_t* directory;
    } cases[] = {
        {L"C:\\dist\\Setup.exe", L"C:\\dist"},
        {L"E:\\Setup.exe", L"E:"},
        {L"Setup.exe", L""},
        {L"\\\\server\\share\\驱动\\Setup.exe", L"\\\\server\\share\\驱动"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.directory, DirectoryOfPath(c.path)) << c.path;
}

TEST(PackagePaths, ArchitectureChoosesPackageFolder) {
    EXPECT_TRUE(IsArchitecture64Bit(9));   // AMD64
    EXPECT_TRUE(IsArchitecture64Bit(6));   // IA64
    EXPECT_FALSE(IsArchitecture64Bit(0));  // x86
    EXPECT_FALSE(IsArchitecture64Bit(12)); // ARM64 is not one of the two
    EXPECT_EQ(L"E:\\24Pin\\X64\\", DriverSourceFolderOf(L"E:", true));
    EXPECT_EQ(L"E:\\24Pin\\X64\\24Pin.inf", InfPathOf(L"E:", true));
    EXPECT_EQ(L"C:\\d\\24Pin\\i386\\24Pin.inf", InfPathOf(L"C:\\d", false));
    EXPECT_EQ(L"C:\\d\\PrinterInfo.ini", CataloguePathOf(L"C:\\d"));
}
