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

// Which package and which spooler environment each Windows gets, by its native machine type (or,
// on systems that cannot tell it, its processor architecture): the X64 package and "Windows x64"
// also for a 32-bit installer on x64 Windows; none on ARM64 and IA64.
TEST(PackagePaths, NativeMachineChoosesPlatformAndEnvironment) {
    struct Case {
        unsigned machine, architecture;
        PackagePlatform platform;
        const wchar_t* environment;
    } cases[] = {
        {0x014C, 0, PackagePlatform::X86, L"Windows NT x86"},
        {0x8664, 9, PackagePlatform::X64, L"Windows x64"},
        {0xAA64, 12, PackagePlatform::None, nullptr}, // ARM64
        {0x0200, 6, PackagePlatform::None, nullptr},  // IA64
        {0x01C4, 5, PackagePlatform::None, nullptr},  // ARM
        {0x0000, 0xFFFF, PackagePlatform::None, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.platform, PlatformOfMachine(c.machine)) << std::hex << c.machine;
        EXPECT_EQ(c.platform, PlatformOfArchitecture(c.architecture)) << c.architecture;
        const wchar_t* environment = SpoolerEnvironmentOf(c.platform);
        if (c.environment == nullptr)
            EXPECT_EQ(nullptr, environment);
        else
            EXPECT_STREQ(c.environment, environment);
    }
}
