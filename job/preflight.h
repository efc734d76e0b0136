// The pre-flight: checks that change nothing on the machine and tell an administrator, row by
// row, whether an installation can succeed here (job/preflight_rules.h has the rows). Only
// existence checks, a few header bytes, the INF and the catalogue are read; the rows' texts name
// what is missing. Never shows a window.
#pragma once

#include "job/preflight_rules.h"

#include <windows.h>

#include <string>
#include <vector>

namespace job {

// Every row of this machine and the distribution folder `programDirectory` (without a trailing
// backslash), in the order administrator, spooler, protectedPrint, catalogue, package, inf,
// dataFiles, monitor, signature (a warning row: Plug and Play needs the signature, the spooler
// way does not).
// With `model` the catalogue row also requires that model, and the package, INF and data-file
// rows check it alone; without, they check every model the catalogue lists.
std::vector<PreflightRow> RunPreflight(const std::wstring& programDirectory,
                                       const std::wstring& model = std::wstring());

// The package checks of one model, which an installation runs before it changes anything: the
// package, inf, dataFiles, monitor and signature rows of RunPreflight for that model.
std::vector<PreflightRow> RunPackageChecks(const std::wstring& programDirectory,
                                           const std::wstring& model);

// Each row into the install log: "检查 <check> 通过：<detail>" or "… 未通过：…".
void LogPreflightRows(const std::vector<PreflightRow>& rows);

// The entries the administrator check asks the system with. Tests replace them to play a user
// who is not an administrator, or one whose rights are not elevated.
struct AccountApi {
    decltype(&::CheckTokenMembership) CheckTokenMembership;
    decltype(&::OpenProcessToken) OpenProcessToken;
    decltype(&::GetTokenInformation) GetTokenInformation;
};

// The entries in use: the system's, or a test's replacement.
const AccountApi& Account();

// Replaces the entries for the calling test; nullptr restores the system's.
void SetAccountForTesting(const AccountApi* api);

// The signature check's entry, from wintrust.dll (not a KnownDLL, loaded from System32 when
// first used). Tests replace it to play a signed catalogue, which Wine cannot show.
struct TrustApi {
    LONG(WINAPI* WinVerifyTrust)(HWND window, GUID* action, LPVOID data);
};
const TrustApi& Trust();
void SetTrustForTesting(const TrustApi* api);

} // namespace job
