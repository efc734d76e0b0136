#include "unattended/report.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace unattended {

std::string Utf8Of(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long c = static_cast<unsigned long>(text[i]) & 0xFFFFu;
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const unsigned long low = static_cast<unsigned long>(text[i + 1]) & 0xFFFFu;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        } else if (sizeof(wchar_t) > 2) {
            c = static_cast<unsigned long>(text[i]);
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring IsoUtcTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond) {
    char text[40] = "";
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", year, month, day, hour,
                  minute, second, millisecond);
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

std::string ReportJson(const Report& report) {
    using nlohmann::ordered_json;
    ordered_json json;
    json["result"] = Utf8Of(report.result);
    json["exitCode"] = report.exitCode;
    json["errorCode"] = Utf8Of(report.errorCode);
    json["message"] = Utf8Of(report.message);
    json["route"] = Utf8Of(report.route);
    json["change"] = Utf8Of(report.change);
    json["model"] = Utf8Of(report.model);
    json["printerName"] = Utf8Of(report.printerName);
    json["port"] = Utf8Of(report.port);
    json["driver"] = Utf8Of(report.driver);
    json["package"] = Utf8Of(report.package);
    json["environment"] = Utf8Of(report.environment);
    json["version"] = Utf8Of(report.version);
    json["installedVersion"] = Utf8Of(report.installedVersion);
    json["startedAt"] = Utf8Of(report.startedAt);
    json["durationMs"] = report.durationMs;
    json["log"] = Utf8Of(report.log);
    json["installLog"] = Utf8Of(report.installLog);
    ordered_json steps = ordered_json::array();
    for (const ReportStep& step : report.steps)
        steps.push_back({{"step", Utf8Of(step.step)}, {"ok", step.ok}, {"error", step.error}});
    json["steps"] = steps;
    if (!report.checks.empty()) {
        ordered_json checks = ordered_json::array();
        for (const ReportCheck& check : report.checks)
            checks.push_back({{"check", Utf8Of(check.check)},
                              {"ok", check.ok},
                              {"warning", check.warning},
                              {"detail", Utf8Of(check.detail)}});
        json["checks"] = checks;
    }
    return json.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

} // namespace unattended
