// The installer's fonts under Wine: copied into the prefix's Fonts folder, registered in its Fonts
// key and with GDI, and announced once; nothing copied when the Fonts folder is unknown.
#include "engine/font_install.h"
#include "tests/engine/installer_fixtures.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>

using namespace engine;
using installer_tests::PutFile;
using testing_support::DistDirectory;
using testing_support::FileExists;
using testing_support::MakeScratchFolder;
using testing_support::ReadFileBytes;
using testing_support::RemoveTree;
using testing_support::SpecialFolder;

namespace {

constexpr wchar_t kSampleFont[] = L"DejaVuSansMono.ttf";
constexpr wchar_t kSampleValue[] = L"DejaVu Sans Mono (TrueType)";
// The same font renamed "KorvaV" throughout its name table: a face that the bench's system fonts
// (Wine takes the host's, DejaVu among them) do not have already.
constexpr wchar_t kRenamedFont[] = L"KorvaVSansMono.ttf";
constexpr wchar_t kRenamedFace[] = L"KorvaV Sans Mono";
constexpr wchar_t kRenamedValue[] = L"KorvaV Sans Mono (TrueType)";

std::string Renamed(std::string font) {
    const std::string from[] = {"DejaVu", std::string("\0D\0e\0j\0a\0V\0u", 12)};
    const std::string to[] = {"KorvaV", std::string("\0K\0o\0r\0v\0a\0V", 12)};
    for (int i = 0; i < 2; ++i)
        for (size_t at = font.find(from[i]); at != std::string::npos; at = font.find(from[i], at))
            font.replace(at, from[i].size(), to[i]);
    return font;
}

int CALLBACK CountFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    ++*reinterpret_cast<int*>(found);
    return 1;
}

// How many fonts of the face GDI offers this process.
int FacesNamed(const std::wstring& face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    HDC screen = ::GetDC(nullptr);
    int found = 0;
    ::EnumFontFamiliesExW(screen, &wanted, &CountFace, reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, screen);
    return found;
}

// The Fonts key's value, or "<none>".
std::wstring FontsValue(const std::wstring& name) {
    wchar_t data[MAX_PATH] = L"";
    DWORD bytes = sizeof(data);
    DWORD type = 0;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kFontsKey, name.c_str(), RRF_RT_ANY, &type, data,
                       &bytes) != ERROR_SUCCESS)
        return L"<none>";
    return type == REG_SZ ? std::wstring(data) : L"<not REG_SZ>";
}

void DeleteFontsValue(const std::wstring& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key, name.c_str());
        ::RegCloseKey(key);
    }
}

// A hidden top-level window that counts the WM_FONTCHANGE it receives.
int g_fontChanges = 0;

LRESULT CALLBACK CountFontChanges(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_FONTCHANGE)
        ++g_fontChanges;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

class FontChangeCounter {
public:
    FontChangeCounter() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &CountFontChanges;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"FontChangeCounter";
        ::RegisterClassW(&windowClass);
        m_window = ::CreateWindowExW(0, L"FontChangeCounter", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                     nullptr, windowClass.hInstance, nullptr);
        g_fontChanges = 0;
    }
    ~FontChangeCounter() { ::DestroyWindow(m_window); }
    FontChangeCounter(const FontChangeCounter&) = delete;
    FontChangeCounter& operator=(const FontChangeCounter&) = delete;
    bool Ready() const { return m_window != nullptr; }
    // The notices that arrived within a moment.
    int Count() const {
        const ULONGLONG end = ::GetTickCount64() + 500;
        while (::GetTickCount64() < end) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageW(&message);
            ::Sleep(10);
        }
        return g_fontChanges;
    }

private:
    HWND m_window = nullptr;
};

class FontInstall : public ::testing::Test {
protected:
    void SetUp() override {
        fonts = GetFontsFolder();
        ASSERT_FALSE(fonts.empty());
        source = MakeScratchFolder(L"font-install");
        // The distribution's font, a licence beside it, and a font file that is none.
        const std::string font = ReadFileBytes(DistDirectory() + L"\\字体\\" + kSampleFont);
        ASSERT_GT(font.size(), 10000u);
        ::CreateDirectoryW((source + L"more").c_str(), nullptr);
        PutFile(source + L"more\\" + kSampleFont, font);
        PutFile(source + kRenamedFont, Renamed(font));
        PutFile(source + L"LICENSE.txt", "licence");
        PutFile(source + L"more\\readme.ini", "notes");
        PutFile(source + L"broken.ttf", "not a font at all");
        PutFile(source + L"RASTER.FON", "a bitmap font's bytes");
        Clean();
    }
    void TearDown() override {
        Clean();
        RemoveTree(source);
    }
    void Clean() {
        for (const wchar_t* name : {kSampleFont, kRenamedFont, L"LICENSE.txt", L"readme.ini",
                                    L"broken.ttf", L"RASTER.FON"}) {
            const std::wstring path = fonts + name;
            while (::RemoveFontResourceW(path.c_str())) {
            }
            ::DeleteFileW(path.c_str());
        }
        DeleteFontsValue(kSampleValue);
        DeleteFontsValue(kRenamedValue);
        DeleteFontsValue(L"broken (TrueType)");
    }
    std::wstring fonts, source;
};

} // namespace

TEST_F(FontInstall, FontsFolderIsTheSystems) {
    EXPECT_EQ(SpecialFolder(CSIDL_FONTS) + L"\\", fonts);
}

// The first start copies and registers the fonts and announces them once. A later start finds
// them in place and registered, and leaves them so, unannounced; a font whose value is gone, or
// whose file differs, is registered again.
TEST_F(FontInstall, CopiedFontsAreRegisteredOnce) {
    FontChangeCounter notices;
    ASSERT_TRUE(notices.Ready());
    ASSERT_EQ(0, FacesNamed(kRenamedFace));
    EXPECT_EQ(2, InstallFonts(source, fonts));
    EXPECT_EQ(ReadFileBytes(source + L"more\\" + kSampleFont), ReadFileBytes(fonts + kSampleFont));
    EXPECT_EQ(kSampleFont, FontsValue(kSampleValue));
    EXPECT_EQ(kRenamedFont, FontsValue(kRenamedValue));
    // Usable at once, without a restart.
    EXPECT_GE(FacesNamed(kRenamedFace), 1);
    EXPECT_EQ(1, notices.Count());

    EXPECT_EQ(0, InstallFonts(source, fonts));
    EXPECT_EQ(kSampleFont, FontsValue(kSampleValue));
    EXPECT_EQ(kRenamedFont, FontsValue(kRenamedValue));
    EXPECT_GE(FacesNamed(kRenamedFace), 1);
    EXPECT_EQ(1, notices.Count());

    DeleteFontsValue(kRenamedValue);
    PutFile(fonts + kSampleFont, "an older font's bytes");
    EXPECT_EQ(2, InstallFonts(source, fonts));
    EXPECT_EQ(ReadFileBytes(source + L"more\\" + kSampleFont), ReadFileBytes(fonts + kSampleFont));
    EXPECT_EQ(kRenamedFont, FontsValue(kRenamedValue));
    EXPECT_EQ(2, notices.Count());

    // Only font files go into the Fonts folder: a licence or a read-me beside them stays out. A
    // font file the system does not take is copied and not registered; a bitmap font is copied.
    EXPECT_FALSE(FileExists(fonts + L"LICENSE.txt"));
    EXPECT_FALSE(FileExists(fonts + L"readme.ini"));
    EXPECT_TRUE(FileExists(fonts + L"broken.ttf"));
    EXPECT_EQ(L"<none>", FontsValue(L"broken (TrueType)"));
    EXPECT_EQ("a bitmap font's bytes", ReadFileBytes(fonts + L"RASTER.FON"));
}

// Without the Fonts folder nothing is copied, least of all into the root of the current drive,
// nothing is registered and nothing announced.
TEST_F(FontInstall, UnknownFontsFolderCopiesNothing) {
    FontChangeCounter notices;
    ASSERT_TRUE(notices.Ready());
    wchar_t before[MAX_PATH] = L"";
    ASSERT_NE(0u, ::GetCurrentDirectoryW(MAX_PATH, before));
    const std::wstring current = MakeScratchFolder(L"font-install-current");
    ASSERT_TRUE(::SetCurrentDirectoryW(current.c_str()));
    for (const wchar_t* root : {L"\\", L"C:\\"})
        ASSERT_FALSE(FileExists(std::wstring(root) + kSampleFont)) << root;

    EXPECT_EQ(0, InstallFonts(source, L""));
    for (const wchar_t* place : {L"\\", L"C:\\", L""}) {
        EXPECT_FALSE(FileExists(std::wstring(place) + kSampleFont)) << place;
        EXPECT_FALSE(FileExists(std::wstring(place) + kRenamedFont)) << place;
        EXPECT_FALSE(FileExists(std::wstring(place) + L"LICENSE.txt")) << place;
    }
    EXPECT_FALSE(FileExists(fonts + kSampleFont));
    EXPECT_EQ(L"<none>", FontsValue(kSampleValue));
    EXPECT_EQ(L"<none>", FontsValue(kRenamedValue));
    EXPECT_EQ(0, FacesNamed(kRenamedFace));
    EXPECT_EQ(0, notices.Count());
    ::SetCurrentDirectoryW(before);
    RemoveTree(current);
}
