// The product catalogue and single INI values, read through the platform's profile functions
// from files the test writes in UTF-16 with a byte-order mark, as the catalogue ships.
#include "engine/printer_info_file.h"
#include "pnp/inf_file.h"
#include "pnp/ini_reader.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

std::wstring WriteCatalogue(const std::wstring& text) {
    const std::wstring path = MakeScratchFolder(L"catalogue") + L"PrinterInfo.ini";
    EXPECT_TRUE(WriteFileBytes(path, Utf16File(text)));
    return path;
}

} // namespace

TEST(Catalogue, ModelsOfAProductLine) {
    const std::wstring name200(200, L'M');
    CPrinterInfoFile catalogue;
    catalogue.iniPath = WriteCatalogue(L"[82列票据打印机]\r\nCounts=3\r\n0=KV-8200\r\n2=" +
                                       name200 + L"\r\n01=never read\r\n[NoCounts]\r\n0=KV-1\r\n");
    std::wstring entries[4] = {L"x", L"x", L"x", L"x"};
    ASSERT_EQ(3, catalogue.ReadModels(L"82列票据打印机", entries, 4));
    EXPECT_EQ(L"KV-8200", entries[0]);
    EXPECT_EQ(L"", entries[1]) << "a missing key is an empty name";
    EXPECT_EQ(name200.substr(0, 127), entries[2]);
    EXPECT_EQ(L"x", entries[3]);
    EXPECT_EQ(0, catalogue.ReadModels(L"NoCounts", entries, 4));
    EXPECT_EQ(0, catalogue.ReadModels(L"Missing", entries, 4));

    catalogue.iniPath = MakeScratchFolder(L"catalogue-none") + L"PrinterInfo.ini";
    EXPECT_EQ(0, catalogue.ReadModels(L"82列票据打印机", entries, 4));
}

TEST(Catalogue, CountsBeyondTheArrayOrNegativeStayInBounds) {
    struct Case {
        const wchar_t* counts;
        int expected;
    } cases[] = {{L"100000", 3}, {L"4", 3}, {L"-1", 0}, {L"abc", 0}};
    for (const Case& c : cases) {
        CPrinterInfoFile catalogue;
        catalogue.iniPath = WriteCatalogue(std::wstring(L"[Line]\r\nCounts=") + c.counts +
                                           L"\r\n0=A\r\n1=B\r\n2=C\r\n3=D\r\n");
        // One guard entry past the capacity shows any write beyond it.
        std::wstring entries[4] = {L"", L"", L"", L"guard"};
        EXPECT_EQ(c.expected, catalogue.ReadModels(L"Line", entries, 3)) << c.counts;
        EXPECT_EQ(L"guard", entries[3]) << c.counts;
    }
}

TEST(Catalogue, IniValues) {
    CIniReader reader;
    reader.SetFileName(WriteCatalogue(L"[VID_PID]\r\nVID=vid_d23c\r\nPID=\r\nLONG=" +
                                      std::wstring(300, L'v') + L"\r\n"));
    EXPECT_EQ(L"vid_d23c", reader.GetValue(L"vid_pid", L"vid"));
    EXPECT_EQ(L"", reader.GetValue(L"VID_PID", L"PID"));
    EXPECT_EQ(L"", reader.GetValue(L"VID_PID", L"Missing"));
    EXPECT_EQ(std::wstring(259, L'v'), reader.GetValue(L"VID_PID", L"LONG"));
    reader.SetFileName(L"C:\\no\\such\\file.ini");
    EXPECT_EQ(L"", reader.GetValue(L"VID_PID", L"VID"));
}

TEST(InfFile, EncodingsAndArchitectureSection) {
    const std::wstring text = L"[Manufacturer]\r\n%K%=Korvane_Tech,NTamd64\r\n"
                              L"[Korvane_Tech]\r\n\"型号\" = A, ID32\r\n"
                              L"[Korvane_Tech.NTamd64]\r\n\"型号\" = A, ID64\r\n";
    std::string utf8 = "\xEF\xBB\xBF";
    for (wchar_t c : text) {
        char buffer[4];
        const int n = ::WideCharToMultiByte(CP_UTF8, 0, &c, 1, buffer, 4, nullptr, nullptr);
        utf8.append(buffer, static_cast<size_t>(n));
    }
    const std::wstring folder = MakeScratchFolder(L"inf-encodings");
    struct Case {
        const wchar_t* name;
        std::string bytes;
    } cases[] = {{L"utf16.inf", Utf16File(text)}, {L"utf8.inf", utf8}};
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(folder + c.name, c.bytes));
        CInfFileHelper inf;
        ASSERT_TRUE(inf.Open(folder + c.name));
        std::vector<std::wstring> entries;
        EXPECT_TRUE(inf.ReadManufacturers(entries));
        EXPECT_EQ(std::vector<std::wstring>{L"Korvane_Tech,NTamd64"}, entries) << c.name;
        EXPECT_TRUE(inf.ReadModelHardwareIds(entries.front(), entries));
        EXPECT_EQ(std::vector<std::wstring>{L"ID64"}, entries) << c.name; // 64-bit Windows
    }
    CInfFileHelper missing;
    EXPECT_FALSE(missing.Open(folder + L"missing.inf"));
}
