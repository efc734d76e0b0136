// The sample distribution folder beside Setup.exe, read the way Windows reads it: the catalogue
// through the profile functions, the INF through SetupAPI, the language monitor through the
// spooler and the resource library through the loader.
#include "samples/resdll/qtlm24res.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <winspool.h>
#include <winsplp.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

using namespace testing_support;

// Suite names start with a lowercase "sample": `ctest -R sample` selects these tests.

namespace {

const wchar_t* const kPackageArchitectures[] = {L"X64", L"i386"};

// The package folder whose DLLs this test process can load (and the spooler in it can run).
#ifdef _WIN64
const wchar_t kOwnArchitecture[] = L"X64";
#else
const wchar_t kOwnArchitecture[] = L"i386";
#endif

const wchar_t kModelSection[] = L"82列票据打印机";

std::wstring CataloguePath() {
    return DistDirectory() + L"\\PrinterInfo.ini";
}

std::wstring PackageFolder(const std::wstring& architecture) {
    return DistDirectory() + L"\\24Pin\\" + architecture;
}

std::wstring ProfileString(const wchar_t* section, const wchar_t* key) {
    wchar_t value[256] = L"";
    ::GetPrivateProfileStringW(section, key, L"", value, 256, CataloguePath().c_str());
    return value;
}

// The models of the catalogue, in order: keys "0" to Counts - 1.
std::vector<std::wstring> CatalogueModels() {
    const UINT count =
        ::GetPrivateProfileIntW(kModelSection, L"Counts", 0, CataloguePath().c_str());
    std::vector<std::wstring> models;
    for (UINT i = 0; i < count; ++i)
        models.push_back(ProfileString(kModelSection, std::to_wstring(i).c_str()));
    return models;
}

// Files (not folders) directly in a folder, or with `recursive` anywhere below it, as full paths.
std::vector<std::wstring> FilesIn(const std::wstring& folder, bool recursive) {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = folder + L"\\" + name;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            files.push_back(path);
        } else if (recursive) {
            for (const std::wstring& inner : FilesIn(path, true))
                files.push_back(inner);
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return files;
}

std::wstring NameOf(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

// Where a file of that name lies in the folder tree (the installer flattens the package), or "".
std::wstring FindInTree(const std::wstring& folder, const std::wstring& name) {
    for (const std::wstring& path : FilesIn(folder, true))
        if (::lstrcmpiW(NameOf(path).c_str(), name.c_str()) == 0)
            return path;
    return std::wstring();
}

std::wstring Utf16(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                           &wide[0], static_cast<int>(wide.size()));
    wide.resize(size > 0 ? size : 0);
    return wide;
}

} // namespace

// The file names the installer stages from the package folder of the running Windows.
TEST(sampleDist, EveryPackageHoldsTheStagedFiles) {
    const wchar_t* const staged[] = {
        L"24Pin.inf",     L"QTLM24RES.DLL", L"STDNAMES.GPD", L"unidrv.hlp",
        L"unidrvui.dll",  L"unidrv.dll",    L"unires.dll",   L"STDDTYPE.GDL",
        L"STDSCHEM.GDL",  L"STDSCHMX.GDL",  L"PrnSet.ini",   L"PrnSetUI.dll",
        L"PrnSetUni.dll", L"QVMLMN.dll",    L"OemPrUni.dll", L"OemPR.ini"};
    for (const wchar_t* architecture : kPackageArchitectures)
        for (const wchar_t* name : staged)
            EXPECT_TRUE(FileExists(PackageFolder(architecture) + L"\\" + name))
                << architecture << L"\\" << name;
}

TEST(sampleDist, CatalogueIsUtf16WithByteOrderMark) {
    const std::string bytes = ReadFileBytes(CataloguePath());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));
}

TEST(sampleDist, CatalogueReadsThroughTheProfileFunctions) {
    EXPECT_EQ(5u, ::GetPrivateProfileIntW(kModelSection, L"Counts", 0, CataloguePath().c_str()));
    const std::vector<std::wstring> expected = {L"KV-8200", L"KV-8230", L"KV-8250 OLI", L"KV-8260",
                                                L"KV-8280"};
    EXPECT_EQ(expected, CatalogueModels());
    EXPECT_EQ(L"vid_d23c", ProfileString(L"VID_PID", L"VID"));
    EXPECT_EQ(L"pid_0001", ProfileString(L"VID_PID", L"PID"));
}

// Each model's data file is "<model>.GPD", found anywhere in the package tree, and describes
// that model.
TEST(sampleDist, EveryCatalogueModelHasItsPrinterDescription) {
    const std::vector<std::wstring> models = CatalogueModels();
    ASSERT_FALSE(models.empty());
    for (const wchar_t* architecture : kPackageArchitectures) {
        for (const std::wstring& model : models) {
            const std::wstring path = FindInTree(PackageFolder(architecture), model + L".GPD");
            ASSERT_FALSE(path.empty()) << architecture << L": " << model;
            const std::wstring text = Utf16(ReadFileBytes(path));
            EXPECT_EQ(0u, text.find(L"*%")) << path;
            EXPECT_NE(std::wstring::npos, text.find(L"*ModelName: \"Korvane " + model + L"\""))
                << path;
        }
    }
}

// The support folders the installer copies, each with something in it to copy.
TEST(sampleDist, SupportFolders) {
    const std::wstring dist = DistDirectory();
    EXPECT_GE(FilesIn(dist + L"\\产品手册", false).size(), 2u);
    EXPECT_GE(FilesIn(dist + L"\\卸载驱动及更新程序", false).size(), 1u);
    // The tools folder has a subfolder to copy and a catalogue file to leave behind.
    const std::vector<std::wstring> tools = FilesIn(dist + L"\\工具集", true);
    const std::vector<std::wstring> topTools = FilesIn(dist + L"\\工具集", false);
    EXPECT_GT(tools.size(), topTools.size()) << "no file in a subfolder of 工具集";
    bool catalogue = false;
    for (const std::wstring& path : tools)
        catalogue = catalogue || ::lstrcmpiW(path.c_str() + path.size() - 4, L".cat") == 0;
    EXPECT_TRUE(catalogue) << "no .cat file in 工具集";
}

TEST(sampleDist, FontLoads) {
    int fonts = 0;
    for (const std::wstring& path : FilesIn(DistDirectory() + L"\\字体", false)) {
        if (::lstrcmpiW(path.c_str() + path.size() - 4, L".ttf") != 0 &&
            ::lstrcmpiW(path.c_str() + path.size() - 4, L".ttc") != 0)
            continue;
        const int added = ::AddFontResourceExW(path.c_str(), FR_PRIVATE, nullptr);
        EXPECT_GT(added, 0) << path;
        ::RemoveFontResourceExW(path.c_str(), FR_PRIVATE, nullptr);
        fonts += added;
    }
    EXPECT_GT(fonts, 0);
}

// The CJK font of 字体 (when the build had Debian's package): a collection whose faces the system
// takes, with the glyphs of the model names and of the wizard's Chinese, hyphen included.
TEST(sampleDist, CjkFontHasTheWizardsGlyphs) {
#if SAMPLES_CJK_FONT_SHIPPED
    const std::wstring path = DistDirectory() + L"\\字体\\wqy-microhei.ttc";
    EXPECT_NE(
        INVALID_FILE_ATTRIBUTES,
        ::GetFileAttributesW((DistDirectory() + L"\\字体\\wqy-microhei-LICENSE.txt").c_str()));
    const int faces = ::AddFontResourceExW(path.c_str(), FR_PRIVATE, nullptr);
    EXPECT_GE(faces, 2) << "WenQuanYi Micro Hei and its Mono face";
    HDC dc = ::CreateCompatibleDC(nullptr);
    HFONT font = ::CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                               0, 0, L"WenQuanYi Micro Hei");
    HGDIOBJ old = ::SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = L"";
    ::GetTextFaceW(dc, LF_FACESIZE, face);
    EXPECT_STREQ(L"WenQuanYi Micro Hei", face);
    const std::wstring text = L"Korvane KV-8200 打印机驱动安装失败";
    std::vector<WORD> glyphs(text.size());
    ::GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                       GGI_MARK_NONEXISTING_GLYPHS);
    for (size_t i = 0; i < text.size(); ++i)
        EXPECT_NE(0xFFFF, glyphs[i]) << "no glyph for character " << i;
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::DeleteDC(dc);
    ::RemoveFontResourceExW(path.c_str(), FR_PRIVATE, nullptr);
#else
    GTEST_SKIP() << "fonts-wqy-microhei was not installed when the build was configured";
#endif
}

namespace {

// {4D36E979-E325-11CE-BFC1-08002BE10318}, the Printer setup class.
const GUID kPrinterClass = {
    0x4d36e979, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::wstring InfPath(const std::wstring& architecture) {
    return PackageFolder(architecture) + L"\\24Pin.inf";
}

std::wstring Field(INFCONTEXT& line, DWORD index) {
    wchar_t value[512] = L"";
    if (!::SetupGetStringFieldW(&line, index, value, 512, nullptr))
        return std::wstring();
    return value;
}

class SampleInfFile {
public:
    explicit SampleInfFile(const std::wstring& path)
        : handle(::SetupOpenInfFileW(path.c_str(), L"Printer", INF_STYLE_WIN4, &errorLine)) {}
    ~SampleInfFile() {
        if (handle != INVALID_HANDLE_VALUE)
            ::SetupCloseInfFile(handle);
    }
    SampleInfFile(const SampleInfFile&) = delete;
    SampleInfFile& operator=(const SampleInfFile&) = delete;

    UINT errorLine = 0; // before handle, which the constructor opens with it
    HINF handle;
};

} // namespace

TEST(sampleInf, OpensAsAPrinterClassInfWithoutCatalogue) {
    for (const wchar_t* architecture : kPackageArchitectures) {
        const std::wstring path = InfPath(architecture);
        SampleInfFile inf(path);
        ASSERT_NE(INVALID_HANDLE_VALUE, inf.handle)
            << path << L" error " << ::GetLastError() << L" at line " << inf.errorLine;

        GUID guid{};
        wchar_t className[MAX_CLASS_NAME_LEN] = L"";
        ASSERT_TRUE(
            ::SetupDiGetINFClassW(path.c_str(), &guid, className, MAX_CLASS_NAME_LEN, nullptr))
            << path;
        EXPECT_STREQ(L"Printer", className);
        EXPECT_TRUE(IsEqualGUID(kPrinterClass, guid)) << path;

        // A package without its signature catalogue: naming one would make installing it fail.
        INFCONTEXT line;
        EXPECT_FALSE(::SetupFindFirstLineW(inf.handle, L"Version", L"CatalogFile", &line));

        for (char c : ReadFileBytes(path))
            ASSERT_EQ(0, c & 0x80) << path << L" is not plain ASCII";
    }
}

// Every catalogue model has a model line, for 32- and 64-bit Windows alike, whose install
// section installs that model's data file, and one or more Plug and Play hardware IDs.
TEST(sampleInf, EveryCatalogueModelInstallsItsDataFile) {
    const std::vector<std::wstring> models = CatalogueModels();
    ASSERT_FALSE(models.empty());
    for (const wchar_t* architecture : kPackageArchitectures) {
        SampleInfFile inf(InfPath(architecture));
        ASSERT_NE(INVALID_HANDLE_VALUE, inf.handle);
        for (const wchar_t* section : {L"Korvane_Tech", L"Korvane_Tech.NTamd64"}) {
            for (const std::wstring& model : models) {
                const std::wstring where =
                    std::wstring(architecture) + L" [" + section + L"] " + model;
                INFCONTEXT line;
                const std::wstring description = L"Korvane " + model;
                ASSERT_TRUE(::SetupFindFirstLineW(inf.handle, section, description.c_str(), &line))
                    << where;
                const std::wstring install = Field(line, 1);
                const DWORD fields = ::SetupGetFieldCount(&line);
                EXPECT_GE(fields, 2u) << where;
                for (DWORD i = 2; i <= fields; ++i) {
                    const std::wstring id = Field(line, i);
                    EXPECT_TRUE(id.rfind(L"USBPRINT\\Korvane", 0) == 0 ||
                                id.rfind(L"LPTENUM\\Korvane", 0) == 0)
                        << where << L": " << id;
                }

                INFCONTEXT dataFile;
                ASSERT_TRUE(
                    ::SetupFindFirstLineW(inf.handle, install.c_str(), L"DataFile", &dataFile))
                    << where << L": " << install;
                EXPECT_EQ(model + L".GPD", Field(dataFile, 1)) << where;
            }
        }
    }
}

// Every file the INF copies is in the package folder tree.
TEST(sampleInf, EverySourceFileIsInThePackage) {
    for (const wchar_t* architecture : kPackageArchitectures) {
        SampleInfFile inf(InfPath(architecture));
        ASSERT_NE(INVALID_HANDLE_VALUE, inf.handle);
        INFCONTEXT line;
        int files = 0;
        for (BOOL more = ::SetupFindFirstLineW(inf.handle, L"SourceDisksFiles", nullptr, &line);
             more; more = ::SetupFindNextLine(&line, &line)) {
            const std::wstring name = Field(line, 0);
            EXPECT_FALSE(FindInTree(PackageFolder(architecture), name).empty())
                << architecture << L": " << name;
            ++files;
        }
        EXPECT_GT(files, 0) << architecture;
    }
}

// The installer registers the package's INF in the system's INF folder, which fails when the INF
// names a signature catalogue that the package lacks.
TEST(sampleInf, RegistersInTheSystemInfFolder) {
    wchar_t windows[MAX_PATH] = L"";
    ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring infFolder = std::wstring(windows) + L"\\inf";
    for (const wchar_t* architecture : kPackageArchitectures) {
        const std::vector<std::wstring> before = FilesIn(infFolder, false);
        wchar_t copied[MAX_PATH] = L"";
        PWSTR name = nullptr;
        ASSERT_TRUE(::SetupCopyOEMInfW(InfPath(architecture).c_str(), nullptr, SPOST_PATH, 0,
                                       copied, MAX_PATH, nullptr, &name))
            << architecture << L" error " << ::GetLastError();
        EXPECT_EQ(0, ::lstrcmpiW((infFolder + L"\\" + name).c_str(), copied)) << copied;
        EXPECT_TRUE(FileExists(copied)) << copied;

        // Leave the folder as it was. Wine's SetupUninstallOEMInfW keeps the files: delete them.
        const bool ours = std::none_of(before.begin(), before.end(), [&](const std::wstring& p) {
            return ::lstrcmpiW(p.c_str(), copied) == 0;
        });
        if (ours) {
            ::SetupUninstallOEMInfW(name, 0, nullptr);
            std::wstring precompiled = copied;
            precompiled.replace(precompiled.size() - 4, 4, L".pnf");
            ::DeleteFileW(copied);
            ::DeleteFileW(precompiled.c_str());
        }
    }
}

namespace {

// A port monitor that records what reaches it.
struct PortMonitorCalls {
    std::vector<std::string> calls;
    HANDLE openedBy = nullptr;
    std::wstring portName;
    std::vector<HANDLE> handles; // of every call after OpenPort
    std::string written;
    DWORD jobId = 0;
};
PortMonitorCalls g_port;
HANDLE const kPortMonitorHandle = reinterpret_cast<HANDLE>(0x4d4f4e);
HANDLE const kPortHandle = reinterpret_cast<HANDLE>(0x504f5254);

BOOL WINAPI FakeOpenPort(HANDLE monitor, LPWSTR name, PHANDLE handle) {
    g_port.calls.push_back("OpenPort");
    g_port.openedBy = monitor;
    g_port.portName = name;
    *handle = kPortHandle;
    return TRUE;
}
BOOL WINAPI FakeStartDocPort(HANDLE port, LPWSTR, DWORD jobId, DWORD, LPBYTE) {
    g_port.calls.push_back("StartDocPort");
    g_port.handles.push_back(port);
    g_port.jobId = jobId;
    return TRUE;
}
BOOL WINAPI FakeWritePort(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written) {
    g_port.calls.push_back("WritePort");
    g_port.handles.push_back(port);
    g_port.written.append(reinterpret_cast<const char*>(buffer), size);
    *written = size;
    return TRUE;
}
BOOL WINAPI FakeReadPort(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD read) {
    g_port.calls.push_back("ReadPort");
    g_port.handles.push_back(port);
    const char status[] = "@PJL INFO STATUS";
    *read = size < sizeof(status) ? size : sizeof(status);
    ::CopyMemory(buffer, status, *read);
    return TRUE;
}
BOOL WINAPI FakeEndDocPort(HANDLE port) {
    g_port.calls.push_back("EndDocPort");
    g_port.handles.push_back(port);
    return TRUE;
}
BOOL WINAPI FakeClosePort(HANDLE port) {
    g_port.calls.push_back("ClosePort");
    g_port.handles.push_back(port);
    return TRUE;
}
BOOL WINAPI FakeGetPrinterDataFromPort(HANDLE port, DWORD controlId, LPWSTR, LPWSTR, DWORD, LPWSTR,
                                       DWORD, LPDWORD returned) {
    g_port.calls.push_back("GetPrinterDataFromPort " + std::to_string(controlId));
    g_port.handles.push_back(port);
    *returned = 0;
    return TRUE;
}

BOOL WINAPI RefusingOpenPort(HANDLE, LPWSTR, PHANDLE) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

MONITOR2 FakePortMonitor() {
    MONITOR2 entries{};
    entries.cbSize = sizeof(MONITOR2);
    entries.pfnOpenPort = FakeOpenPort;
    entries.pfnStartDocPort = FakeStartDocPort;
    entries.pfnWritePort = FakeWritePort;
    entries.pfnReadPort = FakeReadPort;
    entries.pfnEndDocPort = FakeEndDocPort;
    entries.pfnClosePort = FakeClosePort;
    entries.pfnGetPrinterDataFromPort = FakeGetPrinterDataFromPort;
    return entries;
}

// QVMLMN.dll of this process's architecture, loaded and started as the spooler starts it.
class LanguageMonitor : public ::testing::Test {
protected:
    void SetUp() override {
        g_port = PortMonitorCalls();
        const std::wstring path = PackageFolder(kOwnArchitecture) + L"\\QVMLMN.dll";
        library = ::LoadLibraryW(path.c_str());
        ASSERT_NE(nullptr, library) << path << L" error " << ::GetLastError();
        using InitializeFn = LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE);
        auto initialize = reinterpret_cast<InitializeFn>(
            reinterpret_cast<void*>(::GetProcAddress(library, "InitializePrintMonitor2")));
        ASSERT_NE(nullptr, initialize) << "InitializePrintMonitor2 is not exported by that name";
        MONITORINIT init{};
        init.cbSize = sizeof(init);
        init.bLocal = TRUE;
        monitor = initialize(&init, &monitorHandle);
        ASSERT_NE(nullptr, monitor);
        ASSERT_NE(nullptr, monitorHandle);
    }
    void TearDown() override {
        if (monitor != nullptr && monitor->pfnShutdown != nullptr)
            monitor->pfnShutdown(monitorHandle);
        if (library != nullptr)
            ::FreeLibrary(library);
    }
    HANDLE Open(MONITOR2* portMonitor) {
        HANDLE port = nullptr;
        wchar_t portName[] = L"USB001";
        wchar_t printerName[] = L"Korvane KV-8200";
        if (!monitor->pfnOpenPortEx(monitorHandle, kPortMonitorHandle, portName, printerName, &port,
                                    portMonitor))
            return nullptr;
        return port;
    }

    HMODULE library = nullptr;
    LPMONITOR2 monitor = nullptr;
    HANDLE monitorHandle = nullptr;
};
using sampleMonitor = LanguageMonitor;

} // namespace

TEST_F(sampleMonitor, FillsTheLanguageMonitorEntries) {
    EXPECT_EQ(sizeof(MONITOR2), monitor->cbSize);
    const std::pair<const char*, bool> entries[] = {
        {"pfnOpenPortEx", monitor->pfnOpenPortEx != nullptr},
        {"pfnStartDocPort", monitor->pfnStartDocPort != nullptr},
        {"pfnWritePort", monitor->pfnWritePort != nullptr},
        {"pfnReadPort", monitor->pfnReadPort != nullptr},
        {"pfnEndDocPort", monitor->pfnEndDocPort != nullptr},
        {"pfnClosePort", monitor->pfnClosePort != nullptr},
        {"pfnGetPrinterDataFromPort", monitor->pfnGetPrinterDataFromPort != nullptr},
        {"pfnShutdown", monitor->pfnShutdown != nullptr},
    };
    for (const auto& entry : entries)
        EXPECT_TRUE(entry.second) << entry.first;
    // The port monitor's own business: the spooler must not route port management to us.
    EXPECT_EQ(nullptr, monitor->pfnEnumPorts);
    EXPECT_EQ(nullptr, monitor->pfnOpenPort);
    EXPECT_EQ(nullptr, monitor->pfnXcvOpenPort);
}

// A job passes through unchanged, every call reaching the port monitor with its own handle.
TEST_F(sampleMonitor, PassesAJobThroughToThePortMonitor) {
    MONITOR2 portMonitor = FakePortMonitor();
    HANDLE port = Open(&portMonitor);
    ASSERT_NE(nullptr, port);
    EXPECT_EQ(kPortMonitorHandle, g_port.openedBy);
    EXPECT_EQ(L"USB001", g_port.portName);
    // The table may go away once the port is open: the monitor keeps what it needs.
    portMonitor = MONITOR2{};

    wchar_t printerName[] = L"Korvane KV-8200";
    DOC_INFO_1W doc{};
    EXPECT_TRUE(monitor->pfnStartDocPort(port, printerName, 42, 1, reinterpret_cast<LPBYTE>(&doc)));
    EXPECT_EQ(42u, g_port.jobId);
    BYTE job[] = "\x1b@receipt\x0c";
    DWORD written = 0;
    EXPECT_TRUE(monitor->pfnWritePort(port, job, sizeof(job) - 1, &written));
    EXPECT_EQ(sizeof(job) - 1, written);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(job), sizeof(job) - 1), g_port.written);
    BYTE status[32] = {};
    DWORD read = 0;
    EXPECT_TRUE(monitor->pfnReadPort(port, status, sizeof(status), &read));
    EXPECT_EQ("@PJL INFO STATUS", std::string(reinterpret_cast<char*>(status)));
    DWORD returned = 1;
    EXPECT_TRUE(
        monitor->pfnGetPrinterDataFromPort(port, 7, nullptr, nullptr, 0, nullptr, 0, &returned));
    EXPECT_TRUE(monitor->pfnEndDocPort(port));
    EXPECT_TRUE(monitor->pfnClosePort(port));

    const std::vector<std::string> expected = {
        "OpenPort",   "StartDocPort", "WritePort", "ReadPort", "GetPrinterDataFromPort 7",
        "EndDocPort", "ClosePort"};
    EXPECT_EQ(expected, g_port.calls);
    EXPECT_EQ(expected.size() - 1, g_port.handles.size());
    for (HANDLE handle : g_port.handles)
        EXPECT_EQ(kPortHandle, handle);
}

// A port monitor made for an older spooler has a shorter table: entries past its cbSize are
// never called, whatever lies there, and what it lacks fails as unsupported.
TEST_F(sampleMonitor, UsesNoEntryBeyondThePortMonitorsTable) {
    MONITOR2 portMonitor = FakePortMonitor();
    portMonitor.cbSize = offsetof(MONITOR2, pfnGetPrinterDataFromPort);
    portMonitor.pfnReadPort = nullptr;
    HANDLE port = Open(&portMonitor);
    ASSERT_NE(nullptr, port);

    BYTE buffer[8];
    DWORD size = 0;
    ::SetLastError(0);
    EXPECT_FALSE(monitor->pfnReadPort(port, buffer, sizeof(buffer), &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), ::GetLastError());
    ::SetLastError(0);
    EXPECT_FALSE(
        monitor->pfnGetPrinterDataFromPort(port, 1, nullptr, nullptr, 0, nullptr, 0, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), ::GetLastError());
    EXPECT_TRUE(monitor->pfnClosePort(port));
    const std::vector<std::string> expected = {"OpenPort", "ClosePort"};
    EXPECT_EQ(expected, g_port.calls);
}

TEST_F(sampleMonitor, ReportsAPortThatDoesNotOpen) {
    MONITOR2 portMonitor = FakePortMonitor();
    portMonitor.pfnOpenPort = RefusingOpenPort;
    EXPECT_EQ(nullptr, Open(&portMonitor));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ::GetLastError());
}

namespace {

bool MonitorListed(const std::wstring& name) {
    DWORD needed = 0, count = 0;
    ::EnumMonitorsW(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !::EnumMonitorsW(nullptr, 1, buffer.data(), needed, &needed, &count))
        return false;
    const auto* monitors = reinterpret_cast<const MONITOR_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (name == monitors[i].pName)
            return true;
    return false;
}

} // namespace

// The spooler loads the monitor, starts it and lists it; deleting it removes it again.
TEST(sampleSpooler, AcceptsTheLanguageMonitor) {
    DWORD needed = 0;
    wchar_t directory[MAX_PATH] = L"";
    ASSERT_TRUE(::GetPrinterDriverDirectoryW(
        nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(directory), sizeof(directory), &needed));
    const std::wstring installed = std::wstring(directory) + L"\\QVMLMN-sample-test.dll";
    const std::wstring source = PackageFolder(kOwnArchitecture) + L"\\QVMLMN.dll";
    ASSERT_TRUE(::CopyFileW(source.c_str(), installed.c_str(), FALSE)) << ::GetLastError();

    wchar_t name[] = L"Test Sample Monitor";
    ::DeleteMonitorW(nullptr, nullptr, name); // left over from an interrupted run
    MONITOR_INFO_2W info{name, nullptr, const_cast<LPWSTR>(installed.c_str())};
    EXPECT_TRUE(::AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) << ::GetLastError();
    EXPECT_TRUE(MonitorListed(name));
    EXPECT_TRUE(::DeleteMonitorW(nullptr, nullptr, name)) << ::GetLastError();
    EXPECT_FALSE(MonitorListed(name));
    ::DeleteFileW(installed.c_str());
}

// The resource library of either architecture loads as data and holds the display strings.
TEST(sampleResources, ResourceLibraryHoldsTheDisplayStrings) {
    for (const wchar_t* architecture : kPackageArchitectures) {
        const std::wstring path = PackageFolder(architecture) + L"\\QTLM24RES.DLL";
        HMODULE library = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, library) << path << L" error " << ::GetLastError();
        wchar_t text[128] = L"";
        EXPECT_GT(::LoadStringW(library, IDS_PRINTER_FAMILY, text, 128), 0) << path;
        // The same name as the catalogue's model section, so the UTF-8 source came through.
        EXPECT_STREQ(kModelSection, text) << path;
        ::FreeLibrary(library);
    }
}

// Each package's DLLs are built for that package's processor.
TEST(sampleResources, DllsMatchTheirPackageArchitecture) {
    const std::pair<const wchar_t*, WORD> packages[] = {{L"X64", IMAGE_FILE_MACHINE_AMD64},
                                                        {L"i386", IMAGE_FILE_MACHINE_I386}};
    for (const auto& package : packages) {
        for (const wchar_t* name : {L"QVMLMN.dll", L"QTLM24RES.DLL"}) {
            const std::wstring path = PackageFolder(package.first) + L"\\" + name;
            const std::string image = ReadFileBytes(path);
            ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER)) << path;
            const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
            ASSERT_EQ(IMAGE_DOS_SIGNATURE, dos->e_magic) << path;
            ASSERT_LT(static_cast<size_t>(dos->e_lfanew) + 6, image.size()) << path;
            WORD machine = 0;
            ::CopyMemory(&machine, image.data() + dos->e_lfanew + 4, sizeof(machine));
            EXPECT_EQ(package.second, machine) << path;
        }
    }
}
