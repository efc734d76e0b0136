// The pre-flight's checks against the system and the distribution folder.
#include "job/preflight.h"

#include "engine/folder_walk.h"
#include "engine/install_log.h"
#include "engine/package_locator.h"
#include "engine/package_paths.h"
#include "engine/printer_info_file.h"
#include "engine/printer_naming.h"
#include "engine/protected_print.h"
#include "engine/service_api.h"
#include "engine/service_control.h"
#include "engine/staging_lists.h"
#include "pnp/inf_file.h"
#include "win/handle.h"
#include "win/system_library.h"

#include <softpub.h>
#include <wintrust.h>

#include <cwchar>

#include <atomic>
#include <map>

namespace job {

using namespace engine;

namespace {

std::atomic<const AccountApi*> g_accountOverride{nullptr};
std::atomic<const TrustApi*> g_trustOverride{nullptr};

// The bytes of a PE file that hold its machine type: the DOS header and, at the offset it gives,
// the PE header. Real images put the PE header within the first few hundred bytes.
constexpr DWORD kPeHeadBytes = 4096;

std::wstring ErrorText(DWORD error) {
    return L"错误 " + std::to_wstring(error);
}

// ---- administrator -------------------------------------------------------------------------

PreflightRow CheckAdministrator() {
    PreflightRow row{kCheckAdministrator, false, L""};
    const AccountApi& account = Account();
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                    0, 0, 0, 0, 0, &administrators)) {
        row.detail = L"无法构造 Administrators 组的标识（" + ErrorText(::GetLastError()) + L"）";
        return row;
    }
    // With User Account Control an administrator's unelevated token holds the group for denial
    // only, and the membership check answers no: membership here means elevated rights.
    BOOL member = FALSE;
    const BOOL asked = account.CheckTokenMembership(nullptr, administrators, &member);
    const DWORD error = asked ? 0 : ::GetLastError();
    ::FreeSid(administrators);
    if (!asked) {
        row.detail = L"无法查询当前帐户是否属于 Administrators 组（" + ErrorText(error) + L"）";
        return row;
    }
    if (member) {
        row.ok = true;
        row.detail = L"以管理员身份运行";
        return row;
    }
    // Elevation type "limited": an administrator running without elevation.
    HANDLE token = nullptr;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (account.OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        if (!account.GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &size))
            type = TokenElevationTypeDefault;
        ::CloseHandle(token);
    }
    row.detail = type == TokenElevationTypeLimited
                     ? L"当前帐户是管理员，但程序未以管理员身份运行（未提升权限）"
                     : L"当前帐户不属于 Administrators 组";
    return row;
}

// ---- spooler -------------------------------------------------------------------------------

PreflightRow CheckSpooler() {
    PreflightRow row{kCheckSpooler, false, L""};
    const engine::ServiceControlApi& scm = engine::ServiceControl();
    SC_HANDLE manager = scm.OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) {
        row.detail = L"无法打开服务控制管理器（" + ErrorText(::GetLastError()) + L"）";
        return row;
    }
    SC_HANDLE service =
        scm.OpenServiceW(manager, engine::kSpoolerServiceName, SERVICE_QUERY_STATUS);
    if (service == nullptr) {
        row.detail = L"无法打开 Spooler 服务（" + ErrorText(::GetLastError()) + L"）";
        scm.CloseServiceHandle(manager);
        return row;
    }
    SERVICE_STATUS status{};
    const BOOL queried = scm.QueryServiceStatus(service, &status);
    const DWORD error = queried ? 0 : ::GetLastError();
    scm.CloseServiceHandle(service);
    scm.CloseServiceHandle(manager);
    if (!queried) {
        row.detail = L"无法查询 Spooler 服务的状态（" + ErrorText(error) + L"）";
        return row;
    }
    row.ok = status.dwCurrentState == SERVICE_RUNNING;
    row.detail =
        row.ok ? L"Spooler 服务正在运行"
               : L"Spooler 服务未运行（状态 " + std::to_wstring(status.dwCurrentState) + L"）";
    return row;
}

// ---- the distribution folder ---------------------------------------------------------------

// The files of the package tree by lower-cased name, each with the path of the first found.
struct PackageTree {
    bool listed = false;
    std::map<std::wstring, std::wstring> files;
    std::vector<std::wstring> names;
};

void WalkPackage(const std::wstring& folder, PackageTree& tree) {
    ForEachFolderEntry(folder, [&](const std::wstring& name, bool isFolder) {
        if (isFolder) {
            WalkPackage(folder + name + L"\\", tree);
            return;
        }
        if (tree.files.emplace(LowerAscii(name), folder + name).second)
            tree.names.push_back(name);
    });
}

struct Distribution {
    std::wstring directory;
    PackagePlatform platform = PackagePlatform::None;
    std::wstring packageFolder; // with a trailing backslash
    std::wstring infPath;
    PackageTree tree;
};

Distribution LookAt(const std::wstring& programDirectory) {
    Distribution d;
    d.directory = programDirectory;
    d.platform = NativePlatform();
    const bool native64 = IsNative64Bit();
    d.packageFolder = DriverSourceFolderOf(programDirectory, native64);
    d.infPath = InfPathOf(programDirectory, native64);
    if (d.platform != PackagePlatform::None)
        d.tree.listed = ForEachFolderEntry(d.packageFolder, [](const std::wstring&, bool) {});
    if (d.tree.listed)
        WalkPackage(d.packageFolder, d.tree);
    return d;
}

std::wstring PathsIn(const std::wstring& folder, const std::vector<std::wstring>& names) {
    std::vector<std::wstring> paths;
    for (const std::wstring& name : names)
        paths.push_back(folder + name);
    return JoinNames(paths);
}

// The row for a package that cannot be looked into; empty check name when it can.
PreflightRow PackageUnusable(const wchar_t* check, const Distribution& d) {
    if (d.platform == PackagePlatform::None)
        return {check, false, L"此 Windows 的处理器架构没有可用的驱动包"};
    if (!d.tree.listed)
        return {check, false, L"驱动包文件夹不存在或无法读取：" + d.packageFolder};
    return {L"", false, L""};
}

PreflightRow CheckCatalogue(const Distribution& d, const std::wstring& model,
                            std::vector<std::wstring>& models) {
    PreflightRow row{kCheckCatalogue, false, L""};
    CPrinterInfoFile catalogue;
    catalogue.iniPath = CataloguePathOf(d.directory);
    std::vector<std::wstring> listed;
    if (!LoadCatalogueModels(catalogue, kProductLine, kCatalogueCapacity, listed)) {
        row.detail = L"产品目录无法读取或没有 [" + std::wstring(kProductLine) + L"] 的型号：" +
                     catalogue.iniPath;
        if (!model.empty())
            models = {model};
        return row;
    }
    if (model.empty()) {
        models = listed;
        row.ok = true;
        row.detail = std::to_wstring(listed.size()) + L" 个型号：" + catalogue.iniPath;
        return row;
    }
    models = {model};
    row.ok = NamesMissingFrom({model}, listed).empty();
    row.detail = row.ok ? L"型号 " + model + L" 在产品目录中：" + catalogue.iniPath
                        : L"型号 " + model + L" 不在产品目录中：" + catalogue.iniPath;
    return row;
}

PreflightRow CheckPackage(const Distribution& d, const std::vector<std::wstring>& models) {
    PreflightRow unusable = PackageUnusable(kCheckPackage, d);
    if (!unusable.check.empty())
        return unusable;
    // The maker's files every listed model needs; the data files have a row of their own.
    std::vector<std::wstring> wanted = MakerFileNames(L"");
    std::vector<std::wstring> dataFiles;
    for (const std::wstring& model : models) {
        const std::vector<std::wstring> names = MakerFileNames(model + L".GPD");
        wanted.insert(wanted.end(), names.begin(), names.end());
        dataFiles.push_back(model + L".GPD");
    }
    std::vector<std::wstring> required;
    for (const std::wstring& name : NamesMissingFrom(wanted, dataFiles))
        required.push_back(name);
    const std::vector<std::wstring> missing = NamesMissingFrom(required, d.tree.names);
    if (!missing.empty())
        return {kCheckPackage, false, L"驱动包缺少文件：" + PathsIn(d.packageFolder, missing)};
    return {kCheckPackage, true, L"驱动包齐全：" + d.packageFolder};
}

PreflightRow CheckInf(const Distribution& d, const std::vector<std::wstring>& models) {
    PreflightRow unusable = PackageUnusable(kCheckInf, d);
    if (!unusable.check.empty())
        return unusable;
    CInfFileHelper inf;
    if (!inf.Open(d.infPath))
        return {kCheckInf, false, L"无法读取 INF：" + d.infPath};
    const std::wstring header = pnp::ModelSectionHeader(d.platform == PackagePlatform::X64);
    std::vector<pnp::InfEntry> lines;
    if (!inf.ReadSectionEntries(header, lines))
        return {kCheckInf, false, L"INF 中没有 " + header + L" 节：" + d.infPath};
    if (models.empty())
        return {kCheckInf, false, L"产品目录不可读，无法检查 INF 的型号行：" + d.infPath};
    std::vector<pnp::InfEntry> strings;
    inf.ReadSectionEntries(L"[Strings]", strings);
    const std::vector<std::wstring> missing = ModelsWithoutInfLine(lines, strings, models);
    if (!missing.empty()) {
        std::vector<std::wstring> descriptions;
        for (const std::wstring& model : missing)
            descriptions.push_back(InfModelDescription(model));
        return {kCheckInf, false,
                L"INF " + header + L" 节缺少型号行：" + JoinNames(descriptions) + L"（" +
                    d.infPath + L"）"};
    }
    return {kCheckInf, true, L"每个型号都有型号行：" + d.infPath};
}

PreflightRow CheckDataFiles(const Distribution& d, const std::vector<std::wstring>& models) {
    PreflightRow unusable = PackageUnusable(kCheckDataFiles, d);
    if (!unusable.check.empty())
        return unusable;
    if (models.empty())
        return {kCheckDataFiles, false, L"产品目录不可读，无法检查型号数据文件"};
    std::vector<std::wstring> dataFiles;
    for (const std::wstring& model : models)
        dataFiles.push_back(model + L".GPD");
    const std::vector<std::wstring> missing = NamesMissingFrom(dataFiles, d.tree.names);
    if (!missing.empty())
        return {kCheckDataFiles, false,
                L"驱动包缺少型号数据文件：" + PathsIn(d.packageFolder, missing)};
    return {kCheckDataFiles, true, std::to_wstring(dataFiles.size()) + L" 个型号数据文件齐全"};
}

PreflightRow CheckMonitor(const Distribution& d) {
    PreflightRow unusable = PackageUnusable(kCheckMonitor, d);
    if (!unusable.check.empty())
        return unusable;
    const auto found = d.tree.files.find(LowerAscii(kLanguageMonitorFile));
    if (found == d.tree.files.end())
        return {kCheckMonitor, false,
                L"驱动包缺少语言监视器文件：" + d.packageFolder + kLanguageMonitorFile};
    const std::wstring& path = found->second;
    std::string head(kPeHeadBytes, '\0');
    DWORD read = 0;
    {
        const win::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !::ReadFile(file.Get(), &head[0], kPeHeadBytes, &read, nullptr))
            return {kCheckMonitor, false,
                    L"无法读取语言监视器文件（" + ErrorText(::GetLastError()) + L"）：" + path};
    }
    head.resize(read);
    const unsigned machine = PeMachineOf(head);
    const unsigned wanted = MachineOfPlatform(d.platform);
    if (machine == 0)
        return {kCheckMonitor, false, L"语言监视器文件不是 Windows 程序库：" + path};
    if (machine != wanted)
        return {kCheckMonitor, false,
                L"语言监视器文件是 " + MachineName(machine) + L" 的，此 Windows 需要 " +
                    MachineName(wanted) + L" 的：" + path};
    return {kCheckMonitor, true, MachineName(machine) + L" 语言监视器：" + path};
}

// The package's catalogue, which Plug and Play needs signed on 64-bit Windows: named by the INF,
// present beside it and signed. The spooler way does not need it, so the row only warns.
PreflightRow CheckSignature(const Distribution& d) {
    PreflightRow row = PackageUnusable(kCheckSignature, d);
    row.check = kCheckSignature;
    row.warning = true;
    if (!row.detail.empty())
        return row;
    CInfFileHelper inf;
    std::vector<pnp::InfEntry> version;
    if (!inf.Open(d.infPath) || !inf.ReadSectionEntries(L"[Version]", version)) {
        row.detail = L"无法读取 INF 的 [Version] 节：" + d.infPath;
        return row;
    }
    const std::wstring name = CatalogFileOf(version, d.platform == PackagePlatform::X64);
    const std::wstring consequence =
        L"；64 位 Windows 的即插即用安装需要签名的驱动包，后台打印程序方式不受影响";
    if (name.empty()) {
        row.detail = L"INF 没有指定签名目录文件（CatalogFile）" + consequence;
        return row;
    }
    const std::wstring path = d.packageFolder + name;
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        row.detail = L"签名目录文件不在驱动包中：" + path + consequence;
        return row;
    }
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG trust =
        Trust().WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    Trust().WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (trust != 0) {
        wchar_t code[16];
        std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(trust));
        row.detail =
            L"签名目录文件没有可信的签名（" + std::wstring(code) + L"）：" + path + consequence;
        return row;
    }
    row.ok = true;
    row.detail = L"驱动包已签名：" + path;
    return row;
}

std::vector<PreflightRow> PackageRows(const Distribution& d,
                                      const std::vector<std::wstring>& models) {
    return {CheckPackage(d, models), CheckInf(d, models), CheckDataFiles(d, models),
            CheckMonitor(d), CheckSignature(d)};
}

PreflightRow CheckProtectedPrint() {
    const ProtectedPrintState state = ProtectedPrintMode();
    if (state.enabled)
        return {kCheckProtectedPrint, false,
                std::wstring(kProtectedPrintText) + L"（" + state.how + L"）"};
    return {kCheckProtectedPrint, true, L"Windows 受保护的打印模式未开启（" + state.how + L"）"};
}

// ---- the system's trust entry ----------------------------------------------------------------

LONG WINAPI MissingWinVerifyTrust(HWND, GUID*, LPVOID) {
    return static_cast<LONG>(TRUST_E_PROVIDER_UNKNOWN);
}

TrustApi LoadSystemTrust() {
    TrustApi api{};
    win::Resolve(api.WinVerifyTrust, win::LoadSystemLibrary(L"wintrust.dll"), "WinVerifyTrust");
    if (api.WinVerifyTrust == nullptr)
        api.WinVerifyTrust = &MissingWinVerifyTrust;
    return api;
}

// ---- the system's account entries ------------------------------------------------------------

AccountApi LoadSystemAccount() {
    AccountApi api{};
    api.CheckTokenMembership = &::CheckTokenMembership;
    api.OpenProcessToken = &::OpenProcessToken;
    api.GetTokenInformation = &::GetTokenInformation;
    return api;
}

} // namespace

const AccountApi& Account() {
    static const AccountApi system = LoadSystemAccount();
    const AccountApi* api = g_accountOverride.load();
    return api != nullptr ? *api : system;
}

void SetAccountForTesting(const AccountApi* api) {
    g_accountOverride.store(api);
}

const TrustApi& Trust() {
    static const TrustApi system = LoadSystemTrust();
    const TrustApi* api = g_trustOverride.load();
    return api != nullptr ? *api : system;
}

void SetTrustForTesting(const TrustApi* api) {
    g_trustOverride.store(api);
}

std::vector<PreflightRow> RunPreflight(const std::wstring& programDirectory,
                                       const std::wstring& model) {
    std::vector<PreflightRow> rows{CheckAdministrator(), CheckSpooler(), CheckProtectedPrint()};
    const Distribution d = LookAt(programDirectory);
    std::vector<std::wstring> models;
    rows.push_back(CheckCatalogue(d, model, models));
    for (PreflightRow& row : PackageRows(d, models))
        rows.push_back(std::move(row));
    return rows;
}

std::vector<PreflightRow> RunPackageChecks(const std::wstring& programDirectory,
                                           const std::wstring& model) {
    return PackageRows(LookAt(programDirectory), {model});
}

void LogPreflightRows(const std::vector<PreflightRow>& rows) {
    for (const PreflightRow& row : rows)
        WriteInstallLog(L"检查 " + row.check + (row.ok ? L" 通过：" : L" 未通过：") + row.detail,
                        false);
}

} // namespace job
