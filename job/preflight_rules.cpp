// The pre-flight's rules without Windows calls.
#include "job/preflight_rules.h"

#include "engine/printer_naming.h"
#include "engine/staging_lists.h"

#include <cstdio>

namespace job {

using engine::LowerAscii;
using engine::PrinterBaseName;

namespace {

unsigned Little16(const std::string& bytes, size_t at) {
    return static_cast<unsigned char>(bytes[at]) |
           (static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8);
}

} // namespace

bool AllRowsOk(const std::vector<PreflightRow>& rows) {
    if (rows.empty())
        return false;
    for (const PreflightRow& row : rows)
        if (!row.ok && !row.warning)
            return false;
    return true;
}

std::wstring CatalogFileOf(const std::vector<pnp::InfEntry>& versionEntries, bool x64) {
    const wchar_t* keys[] = {x64 ? L"catalogfile.ntamd64" : L"catalogfile.ntx86", L"catalogfile.nt",
                             L"catalogfile"};
    for (const wchar_t* key : keys)
        for (const pnp::InfEntry& entry : versionEntries)
            if (LowerAscii(entry.key) == key)
                return pnp::UnquoteInfText(entry.value);
    return std::wstring();
}

std::wstring InfModelDescription(const std::wstring& model) {
    return PrinterBaseName(model);
}

std::vector<std::wstring> ModelsWithoutInfLine(const std::vector<pnp::InfEntry>& modelLines,
                                               const std::vector<pnp::InfEntry>& strings,
                                               const std::vector<std::wstring>& models) {
    std::vector<std::wstring> descriptions;
    for (const pnp::InfEntry& line : modelLines)
        descriptions.push_back(pnp::UnquoteInfText(pnp::ExpandInfStrings(line.key, strings)));
    std::vector<std::wstring> wanted;
    for (const std::wstring& model : models)
        wanted.push_back(InfModelDescription(model));
    std::vector<std::wstring> missing;
    for (size_t i = 0; i < models.size(); ++i) {
        const std::vector<std::wstring> one =
            NamesMissingFrom(std::vector<std::wstring>{wanted[i]}, descriptions);
        if (!one.empty())
            missing.push_back(models[i]);
    }
    return missing;
}

std::vector<std::wstring> NamesMissingFrom(const std::vector<std::wstring>& wanted,
                                           const std::vector<std::wstring>& found) {
    std::vector<std::wstring> foundLower;
    for (const std::wstring& name : found)
        foundLower.push_back(LowerAscii(name));
    std::vector<std::wstring> missing;
    std::vector<std::wstring> missingLower;
    for (const std::wstring& name : wanted) {
        const std::wstring lower = LowerAscii(name);
        bool present = false;
        for (const std::wstring& f : foundLower)
            present = present || f == lower;
        for (const std::wstring& m : missingLower)
            present = present || m == lower;
        if (!present) {
            missing.push_back(name);
            missingLower.push_back(lower);
        }
    }
    return missing;
}

std::wstring JoinNames(const std::vector<std::wstring>& names) {
    std::wstring text;
    for (const std::wstring& name : names)
        text += (text.empty() ? L"" : L", ") + name;
    return text;
}

unsigned PeMachineOf(const std::string& head) {
    // The DOS header's "MZ", its e_lfanew at 0x3C, then "PE\0\0" and IMAGE_FILE_HEADER.Machine.
    if (head.size() < 0x40 || head[0] != 'M' || head[1] != 'Z')
        return 0;
    const unsigned long offset =
        Little16(head, 0x3C) | (static_cast<unsigned long>(Little16(head, 0x3E)) << 16);
    if (offset > head.size() || head.size() - offset < 6)
        return 0;
    if (head.compare(offset, 4, std::string("PE\0\0", 4)) != 0)
        return 0;
    return Little16(head, offset + 4);
}

unsigned MachineOfPlatform(PackagePlatform platform) {
    switch (platform) {
    case PackagePlatform::X64:
        return 0x8664;
    case PackagePlatform::X86:
        return 0x14C;
    case PackagePlatform::None:
        break;
    }
    return 0;
}

std::wstring MachineName(unsigned machine) {
    if (machine == 0x8664)
        return L"x64";
    if (machine == 0x14C)
        return L"x86";
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%X", machine);
    return text;
}

} // namespace job
