// Names of the spooler objects the installer creates. No Windows calls.
#pragma once

#include <string>

namespace engine {

constexpr wchar_t kMakerName[] = L"Korvane";
constexpr wchar_t kLanguageMonitorName[] = L"Korvane Language Monitor";
constexpr wchar_t kLanguageMonitorFile[] = L"QVMLMN.dll";

// "Korvane " + model, or the model itself when it already carries "Korvane " (case-sensitive).
std::wstring PrinterBaseName(const std::wstring& modelName);

// The name of copy `number` of a printer: base + " (副本 <number>)".
std::wstring PrinterCopyName(const std::wstring& baseName, int number);

} // namespace engine
