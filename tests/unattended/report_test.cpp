// The report read back as a deployment system reads it.
#include "unattended/report.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using unattended::Report;
using unattended::ReportJson;

TEST(Report, EveryFieldReadsBackWithItsType) {
    Report report;
    report.result = L"installed";
    report.exitCode = 0;
    report.route = L"spooler";
    report.change = L"updated";
    report.model = L"KV-8200";
    report.printerName = L"Korvane KV-8200 (副本 1)";
    report.port = L"LPT1:";
    report.driver = L"Korvane KV-8200 (副本 1)";
    report.package = L"X64";
    report.environment = L"Windows x64";
    report.version = L"1.0.0.2";
    report.installedVersion = L"1.0.0.1";
    report.startedAt = unattended::IsoUtcTime(2026, 12, 10, 8, 5, 9, 7);
    report.durationMs = 1234;
    report.log = L"C:\\deploy\\kv.log";
    report.installLog = L"C:\\users\\a\\Documents\\Velmora科技有限公司\\Log(1).txt";
    report.steps = {{L"AddMonitor \"x\"\\y", false, 3006}, {L"AddPrinter", true, 0}};

    const nlohmann::json json = nlohmann::json::parse(ReportJson(report));
    EXPECT_EQ("installed", json["result"]);
    EXPECT_EQ(0, json["exitCode"]);
    EXPECT_EQ("", json["errorCode"]);
    EXPECT_EQ("spooler", json["route"]);
    EXPECT_EQ("updated", json["change"]);
    EXPECT_EQ("1.0.0.2", json["version"]);
    EXPECT_EQ("1.0.0.1", json["installedVersion"]);
    EXPECT_EQ("C:\\deploy\\kv.log", json["log"]);
    EXPECT_EQ("Korvane KV-8200 (\xE5\x89\xAF\xE6\x9C\xAC 1)", json["printerName"]);
    EXPECT_EQ("LPT1:", json["port"]);
    EXPECT_EQ("X64", json["package"]);
    EXPECT_EQ("Windows x64", json["environment"]);
    EXPECT_EQ("2026-12-10T08:05:09.007Z", json["startedAt"]);
    EXPECT_EQ(1234, json["durationMs"]);
    ASSERT_EQ(2u, json["steps"].size());
    EXPECT_EQ("AddMonitor \"x\"\\y", json["steps"][0]["step"]);
    EXPECT_EQ(false, json["steps"][0]["ok"]);
    EXPECT_EQ(3006, json["steps"][0]["error"]);
    EXPECT_EQ(true, json["steps"][1]["ok"]);
    EXPECT_FALSE(json.contains("checks")); // only a pre-flight has rows
    for (const char* field :
         {"result", "exitCode", "errorCode", "route", "model", "printerName", "port", "driver",
          "package", "environment", "version", "installedVersion", "startedAt", "durationMs", "log",
          "installLog", "change", "steps"})
        EXPECT_TRUE(json.contains(field)) << field;
}

TEST(Report, ChecksAndHostileTextStayValidJson) {
    Report report;
    report.result = L"checked";
    report.exitCode = 1603;
    // A lone surrogate and control characters, as a broken catalogue may give them.
    report.model = std::wstring(L"KV\x0001\x001F") + static_cast<wchar_t>(0xD800) + L"x";
    report.checks = {{L"package", false, L"缺少文件 C:\\dist\\24Pin\\X64\\KvLm.dll"}};
    const std::string text = ReportJson(report);
    const nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_EQ("KV\x01\x1F\xEF\xBF\xBDx", json["model"]);
    ASSERT_EQ(1u, json["checks"].size());
    EXPECT_EQ("package", json["checks"][0]["check"]);
    EXPECT_EQ(false, json["checks"][0]["ok"]);
    EXPECT_EQ("\xE7\xBC\xBA\xE5\xB0\x91\xE6\x96\x87\xE4\xBB\xB6 C:\\dist\\24Pin\\X64\\KvLm.dll",
              json["checks"][0]["detail"]);
    EXPECT_EQ('\n', text.back());
}

TEST(Report, Utf8OfJoinsSurrogatePairs) {
    const std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDDA8)};
    EXPECT_EQ("\xF0\x9F\x96\xA8", unattended::Utf8Of(pair));                // U+1F5A8 printer
    EXPECT_EQ("\xE7\xA5\xA8", unattended::Utf8Of(L"\x7968"));               // 票
    EXPECT_EQ("\xEF\xBF\xBD", unattended::Utf8Of(std::wstring(1, 0xDC00))); // lone low half
}
