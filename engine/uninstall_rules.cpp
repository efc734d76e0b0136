// What the Apps & Features entry says, the record of installs, and what a removal takes.
#include "engine/uninstall_rules.h"

#include "engine/printer_naming.h"
#include "engine/staging_lists.h"

#include <algorithm>

namespace engine {

namespace {

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

// " (副本 <n>)" with n a decimal number without leading zeros, from 1.
bool IsCopySuffix(const std::wstring& suffix) {
    const std::wstring open = L" (副本 ";
    if (suffix.size() < open.size() + 2 || suffix.compare(0, open.size(), open) != 0 ||
        suffix.back() != L')')
        return false;
    const std::wstring number = suffix.substr(open.size(), suffix.size() - open.size() - 1);
    if (number.empty() || number[0] == L'0')
        return false;
    for (wchar_t c : number)
        if (c < L'0' || c > L'9')
            return false;
    return true;
}

std::wstring LastPart(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

std::uint32_t EstimatedSizeKiB(std::uint64_t bytes) {
    const std::uint64_t kib = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    return kib > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kib);
}

std::wstring UninstallCommand(const std::wstring& keptProgramPath, bool quiet) {
    std::wstring command = L"\"" + keptProgramPath + L"\" " + kUninstallSwitch;
    if (quiet)
        command += std::wstring(L" ") + kQuietSwitch;
    return command;
}

bool IsProductDriverName(const std::wstring& driverName, const std::vector<std::wstring>& models) {
    for (const std::wstring& model : models) {
        if (model.empty())
            continue;
        const std::wstring base = PrinterBaseName(model);
        if (driverName.size() < base.size() || !SameName(driverName.substr(0, base.size()), base))
            continue;
        const std::wstring rest = driverName.substr(base.size());
        if (rest.empty() || IsCopySuffix(rest))
            return true;
    }
    return false;
}

std::vector<std::wstring> LeftOverDriverFiles(const std::vector<std::wstring>& models,
                                              const std::vector<std::wstring>& filesInUse) {
    std::vector<std::wstring> left;
    const auto listed = [](const std::vector<std::wstring>& names, const std::wstring& name) {
        return std::any_of(names.begin(), names.end(),
                           [&](const std::wstring& other) { return SameName(other, name); });
    };
    std::vector<std::wstring> inUse;
    for (const std::wstring& path : filesInUse)
        inUse.push_back(LastPart(path));
    const auto take = [&](const std::vector<std::wstring>& names) {
        for (const std::wstring& name : names)
            if (!listed(left, name) && !listed(inUse, name))
                left.push_back(name);
    };
    for (const std::wstring& model : models)
        if (!model.empty())
            take(MakerFileNames(model + L".GPD"));
    for (const std::wstring& model : models)
        if (!model.empty())
            take(DriverFileNames(model + L".GPD"));
    return left;
}

std::vector<std::wstring> MultiStringNames(const std::wstring& data) {
    std::vector<std::wstring> names;
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = data.find(L'\0', start);
        if (end == std::wstring::npos)
            end = data.size();
        if (end > start)
            names.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::wstring MultiStringOf(const std::vector<std::wstring>& names) {
    std::wstring data;
    for (const std::wstring& name : names)
        if (!name.empty())
            data += name + L'\0';
    return data + L'\0';
}

bool ListsName(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::wstring& listed) { return SameName(listed, name); });
}

bool AddName(std::vector<std::wstring>& names, const std::wstring& name) {
    if (name.empty() || ListsName(names, name))
        return false;
    names.push_back(name);
    return true;
}

InstallRecord MergedRecord(const InstallRecord& record, const InstallRecord& made) {
    InstallRecord merged = record;
    const auto merge = [](std::vector<std::wstring>& into, const std::vector<std::wstring>& from) {
        for (const std::wstring& name : from)
            AddName(into, name);
    };
    merge(merged.printers, made.printers);
    merge(merged.drivers, made.drivers);
    merge(merged.monitors, made.monitors);
    merge(merged.stagedInfs, made.stagedInfs);
    merged.olderInstall = record.olderInstall || made.olderInstall;
    return merged;
}

bool IsRemovableDriver(const std::wstring& driverName, const InstallRecord* record,
                       const std::vector<std::wstring>& models) {
    if (record != nullptr && ListsName(record->drivers, driverName))
        return true;
    return (record == nullptr || record->olderInstall) && IsProductDriverName(driverName, models);
}

bool IsRemovableMonitor(const std::wstring& name, const InstallRecord* record) {
    return record == nullptr || record->olderInstall || ListsName(record->monitors, name);
}

const wchar_t* RemovalStepName(RemovalStep step) {
    switch (step) {
    case RemovalStep::None:
        return L"";
    case RemovalStep::Catalogue:
        return L"catalogue";
    case RemovalStep::ListPrinters:
        return L"listPrinters";
    case RemovalStep::RemovePrinter:
        return L"removePrinter";
    case RemovalStep::ListDrivers:
        return L"listDrivers";
    case RemovalStep::RemoveDriver:
        return L"removeDriver";
    case RemovalStep::RemoveMonitor:
        return L"removeMonitor";
    case RemovalStep::ProductFolder:
        return L"productFolder";
    case RemovalStep::StartMenu:
        return L"startMenu";
    case RemovalStep::DriverFiles:
        return L"driverFiles";
    case RemovalStep::ProductEntry:
        return L"productEntry";
    case RemovalStep::StagedInf:
        return L"stagedInf";
    case RemovalStep::KeptProgram:
        return L"keptProgram";
    case RemovalStep::InstallRecord:
        return L"installRecord";
    }
    return L"";
}

} // namespace engine
