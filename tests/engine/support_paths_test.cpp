// Paths of the support folders and of their Start-menu shortcuts: rules without Windows calls.
#include "engine/support_paths.h"

#include <gtest/gtest.h>

using namespace engine;

TEST(SupportPaths, SplitFileTitle) {
    struct Case {
        const wchar_t* path;
        const wchar_t* title;
        const wchar_t* extension;
    };
    const Case cases[] = {
        {L"C:\\P\\Vantrel打印机\\产品手册\\manual.pdf", L"manual", L"pdf"},
        {L"C:\\P\\Vantrel打印机\\README", L"README", L""},
        {L"C:\\P\\a.b.exe", L"a.b", L"exe"},
        {L"C:\\dot.folder\\README", L"README", L""},
        {L"tools/sub/tool.exe", L"tool", L"exe"},
        {L"C:\\P\\tools/tool.exe", L"tool", L"exe"}, // whichever separator comes last
        {L"manual.pdf", L"manual", L"pdf"},
        {L"C:\\P\\name.", L"name", L""},
        {L"C:\\P\\.profile", L"", L"profile"},
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring title = L"old";
        std::wstring extension = L"old";
        SplitFileTitle(c.path, title, extension);
        EXPECT_EQ(std::wstring(c.title), title) << c.path;
        EXPECT_EQ(std::wstring(c.extension), extension) << c.path;
    }
}

TEST(SupportPaths, ShortcutMirrorsTheCopiedFilesFolder) {
    const std::wstring s = L"C:\\Users\\u\\Start Menu\\Programs";
    const std::wstring p = L"C:\\Program Files (x86)\\Vantrel打印机\\";
    struct Case {
        std::wstring target;
        std::wstring subfolder;
        std::wstring link;
    };
    const Case cases[] = {
        {p + L"产品手册\\manual.pdf", L"产品手册\\", s + L"\\Vantrel打印机\\产品手册\\manual.lnk"},
        {p + L"工具集\\tool.exe", L"工具集\\", s + L"\\Vantrel打印机\\工具集\\tool.lnk"},
        {p + L"uninstall.exe", L"", s + L"\\Vantrel打印机\\uninstall.lnk"},
        {p + L"a.b.exe", L"", s + L"\\Vantrel打印机\\a.b.lnk"},
        {p + L"README", L"", s + L"\\Vantrel打印机\\README.lnk"},
        // The tools folder wins when both names occur; a name without its backslash is no folder.
        {p + L"工具集\\产品手册\\x.txt", L"工具集\\", s + L"\\Vantrel打印机\\工具集\\x.lnk"},
        {p + L"产品手册\\工具集\\x.txt", L"工具集\\", s + L"\\Vantrel打印机\\工具集\\x.lnk"},
        {p + L"工具集.txt", L"", s + L"\\Vantrel打印机\\工具集.lnk"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.subfolder, StartMenuSubfolderFor(c.target)) << c.target;
        EXPECT_EQ(c.link, ShortcutPathFor(s, c.target)) << c.target;
    }
}

TEST(SupportPaths, FoldersCopiedInOrder) {
    const std::vector<SupportFolder> folders = SupportFoldersOf(L"E:", L"C:\\Program Files (x86)");
    ASSERT_EQ(3u, folders.size());
    const std::wstring product = L"C:\\Program Files (x86)\\Vantrel打印机\\";
    EXPECT_EQ(product, ProductFolderOf(L"C:\\Program Files (x86)"));
    EXPECT_EQ(L"E:\\卸载驱动及更新程序\\", folders[0].source);
    EXPECT_EQ(product, folders[0].target);
    EXPECT_EQ(L"E:\\产品手册\\", folders[1].source);
    EXPECT_EQ(product + L"产品手册\\", folders[1].target);
    EXPECT_EQ(L"E:\\工具集\\", folders[2].source);
    EXPECT_EQ(product + L"工具集\\", folders[2].target);
}

TEST(SupportPaths, CatalogueFilesAreLeftOut) {
    struct Case {
        const wchar_t* source;
        bool leftOut;
    };
    // Only the file name's own extension tells, in any letter case.
    const Case cases[] = {
        {L"E:\\工具集\\driver.cat", true},
        {L"E:\\工具集\\DRIVER.CAT", true},
        {L"E:\\工具集\\Driver.Cat", true},
        {L"E:\\工具集\\a.b.cat", true},
        {L"E:\\工具集\\.cat", true},
        {L"tools/sub/driver.cat", true},
        // A distribution or subfolder whose name holds ".cat" is no catalogue.
        {L"E:\\media.cat\\工具集\\tool.exe", false},
        {L"E:\\工具集\\signed.cat\\tool.exe", false},
        {L"E:\\工具集\\signed.cat\\README", false},
        {L"tools.cat/tool.exe", false},
        // ".cat" elsewhere in the name, or an extension that only begins or ends so.
        {L"E:\\工具集\\a.catalogue.txt", false},
        {L"E:\\工具集\\a.cat.txt", false},
        {L"E:\\工具集\\driver.cata", false},
        {L"E:\\工具集\\driver.xcat", false},
        {L"E:\\工具集\\driver.ca", false},
        {L"E:\\工具集\\cat", false},
        {L"E:\\工具集\\catalog.txt", false},
        {L"E:\\工具集\\tool.exe", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.leftOut, IsLeftOutOfFolderCopy(c.source)) << c.source;
}

// The places the removal looks in: each folder the system tells, once, in the order given.
TEST(SupportPaths, ProductStartMenuFoldersInEveryPlace) {
    using Folders = std::vector<std::wstring>;
    const std::wstring user = L"C:\\Users\\u\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
    const std::wstring common = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
    const std::wstring product = L"\\Vantrel打印机\\";
    const struct {
        const char* what;
        Folders menus;
        Folders expected;
    } cases[] = {
        {"user's Programs, common Programs, old root",
         {user + L"\\Programs", common, user},
         {user + L"\\Programs" + product, common + product, user + product}},
        {"trailing backslashes",
         {common + L"\\", user + L"\\\\"},
         {common + product, user + product}},
        {"unknown places left out", {L"", common, L"", L"\\"}, {common + product}},
        {"a place named twice, in another letter case",
         {common, L"c:\\programdata\\microsoft\\windows\\start menu\\programs\\", user},
         {common + product, user + product}},
        {"the common folder as the user's (a SYSTEM run's profile aside)",
         {common, common, user},
         {common + product, user + product}},
        {"a folder inside another is another place",
         {user, user + L"\\Programs"},
         {user + product, user + L"\\Programs" + product}},
        {"Chinese names differ only when they differ",
         {L"D:\\开始菜单", L"D:\\开始菜单2"},
         {L"D:\\开始菜单" + product, L"D:\\开始菜单2" + product}},
        {"nothing known", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ProductStartMenuFoldersOf(c.menus)) << c.what;
}
