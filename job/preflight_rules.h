// The pre-flight's rows and the rules that decide them without a Windows call: which catalogue
// models the INF has no model line for, which files a package lacks, and a PE file's machine.
#pragma once

#include "engine/package_paths.h"
#include "pnp/inf_rules.h"

#include <string>
#include <vector>

namespace job {

using engine::PackagePlatform;

// The rows' check names, in the order the whole pre-flight gives them.
constexpr wchar_t kCheckAdministrator[] = L"administrator";
constexpr wchar_t kCheckSpooler[] = L"spooler";
constexpr wchar_t kCheckCatalogue[] = L"catalogue";
constexpr wchar_t kCheckPackage[] = L"package";
constexpr wchar_t kCheckInf[] = L"inf";
constexpr wchar_t kCheckDataFiles[] = L"dataFiles";
constexpr wchar_t kCheckMonitor[] = L"monitor";
constexpr wchar_t kCheckProtectedPrint[] = L"protectedPrint";
constexpr wchar_t kCheckSignature[] = L"signature";

// One check: its name, whether it passed, and what is missing or wrong when it did not (empty or
// a short confirmation when it passed).
struct PreflightRow {
    std::wstring check;
    bool ok = false;
    std::wstring detail;
    bool warning = false; // a row that informs: failed, it does not fail the pre-flight
};

// True when every row that is not a warning passed (and there is at least one row).
bool AllRowsOk(const std::vector<PreflightRow>& rows);

// The catalogue file the INF's [Version] entries name for the platform: "CatalogFile.NTamd64"
// (x64) or "CatalogFile.NTx86" (x86) first, then "CatalogFile.NT", then "CatalogFile", keys
// compared without regard to ASCII case; the value unquoted. Empty when none is named.
std::wstring CatalogFileOf(const std::vector<pnp::InfEntry>& versionEntries, bool x64);

// The model description a catalogue model has in the INF's model section: its printer base name,
// "Korvane KV-8200".
std::wstring InfModelDescription(const std::wstring& model);

// The catalogue models, in their order, for which no line of the model section `modelLines` has
// the description InfModelDescription(model): a line's key, unquoted after its %tokens% are
// expanded from `strings` (the [Strings] entries), compared without regard to ASCII case.
std::vector<std::wstring> ModelsWithoutInfLine(const std::vector<pnp::InfEntry>& modelLines,
                                               const std::vector<pnp::InfEntry>& strings,
                                               const std::vector<std::wstring>& models);

// The names of `wanted` that are not among `found`, compared whole and without regard to ASCII
// case, in wanted's order and each once.
std::vector<std::wstring> NamesMissingFrom(const std::vector<std::wstring>& wanted,
                                           const std::vector<std::wstring>& found);

// The names joined with ", ".
std::wstring JoinNames(const std::vector<std::wstring>& names);

// The machine type (IMAGE_FILE_HEADER.Machine) of a PE image from its first bytes; 0 when they
// are not the start of a PE image ("MZ", a PE header offset inside the bytes, "PE\0\0").
unsigned PeMachineOf(const std::string& head);

// The machine type of the binaries a platform's package must hold: 0x8664 for X64, 0x14C for
// X86, 0 for none.
unsigned MachineOfPlatform(PackagePlatform platform);

// "x64", "x86" or "0x…" for another machine type, for the rows' texts.
std::wstring MachineName(unsigned machine);

} // namespace job
