#include "unattended/unattended_run.h"

#include "discovery/usb_port.h"
#include "engine/apps_entry.h"
#include "engine/font_install.h"
#include "engine/install_log.h"
#include "engine/job_observer.h"
#include "engine/log_record.h"
#include "engine/package_locator.h"
#include "engine/package_paths.h"
#include "engine/printer_info_file.h"
#include "engine/service_control.h"
#include "engine/test_page.h"
#include "engine/uninstall.h"
#include "job/exit_codes.h"
#include "job/install_job.h"
#include "job/preflight.h"
#include "unattended/report.h"
#include "win/handle.h"
#include "win/module_version.h"
#include "win/thread.h"
#include "wizard/printer_probe.h"
#include "wizard/wizard_rules.h"

#include <windows.h>
#include <shellapi.h>

#include <mutex>

namespace unattended {

namespace {

using engine::kCatalogueCapacity;
using engine::kProductLine;

constexpr const wchar_t* kTitle = L"安装提示";

void Tell(const std::wstring& text, bool quiet, UINT icon);

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(::towlower(c));
    return text;
}

std::wstring UtcNow() {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    return IsoUtcTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                      now.wMilliseconds);
}

// Writes the report; false (with the reason in the log) when it cannot be written whole.
bool WriteReport(const std::wstring& path, const Report& report) {
    const std::string bytes = ReportJson(report);
    win::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) ||
        written != bytes.size()) {
        engine::WriteInstallLog(L"报告无法写入 " + path, true);
        return false;
    }
    return true;
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int RunQuietInstall(const Options& options) {
    RunRecord run(options);
    Report& report = run.report();
    engine::WriteInstallLog(L"无人值守安装开始", false);

    // The distribution: a catalogue with models and this machine's package.
    CPrinterInfoFile catalogue;
    std::vector<std::wstring> names;
    if (!engine::LoadCatalogueModels(catalogue, kProductLine, kCatalogueCapacity, names)) {
        engine::ReportFailure(L"1");
        return run.Finish(L"failed", job::kExitDistributionUnreadable,
                          L"产品目录无法读取：" + catalogue.iniPath);
    }
    if (!FileExists(engine::GetInfPath())) {
        engine::ReportFailure(L"1");
        return run.Finish(L"failed", job::kExitDistributionUnreadable,
                          L"这台电脑的驱动包不在：" + engine::GetDriverSourceFolder());
    }

    // The model: named, or the connected printer's.
    const std::wstring detected = wizard::DetectConnectedModel(catalogue.iniPath);
    std::wstring model;
    if (options.model.empty()) {
        const int match = wizard::MatchDetectedModel(names, detected);
        if (match < 0)
            return run.Finish(L"failed", job::kExitBadCommandLine,
                              L"没有检测到本公司的打印机，请用 /model 指定型号");
        model = names[static_cast<size_t>(match)];
    } else {
        std::wstring wanted = options.model;
        const std::wstring prefix = wizard::kModelPrefix;
        if (Lower(wanted.substr(0, prefix.size())) == Lower(prefix))
            wanted = wanted.substr(prefix.size());
        for (const std::wstring& name : names) {
            if (Lower(name) == Lower(wanted))
                model = name;
        }
        if (model.empty())
            return run.Finish(L"failed", job::kExitBadCommandLine,
                              L"产品目录中没有型号 " + options.model);
    }
    report.model = model;

    // The port: named and known to the spooler, or the one the wizard would preselect.
    std::vector<std::wstring> ports;
    if (wizard::ListSpoolerPorts(ports) != wizard::PortListing::Listed) {
        engine::WriteInstallStep(L"EnumPorts", ::GetLastError());
        return run.Finish(L"failed", job::kExitInstallFailed, L"无法查找当前设备端口列表");
    }
    std::wstring port;
    if (options.port.empty()) {
        const DWORD usbPort = discovery::FindUsbPrinterPortNumber(nullptr, false);
        const int row = wizard::PreselectPortRow(ports, usbPort);
        if (row >= 0)
            port = ports[static_cast<size_t>(row)];
        if (port.empty())
            return run.Finish(L"failed", job::kExitBadCommandLine,
                              L"找不到打印机的端口，请用 /port 指定端口");
    } else {
        for (const std::wstring& name : ports) {
            if (Lower(name) == Lower(options.port))
                port = name;
        }
        if (port.empty())
            return run.Finish(L"failed", job::kExitBadCommandLine,
                              L"后台打印程序没有端口 " + options.port);
    }
    report.port = port;

    // What the wizard does around its job: the fonts, the services, then the job itself.
    engine::InstallFonts(engine::GetProgramDirectory() + L"\\字体\\", engine::GetFontsFolder());
    const win::KernelHandle services = win::StartThread(engine::ServiceStartupThread, nullptr);
    InstallRequest request;
    request.modelName = model;
    request.portName = port;
    request.dataFileName = model + L".GPD";
    request.detectedModelName = detected;
    const InstallOutcome outcome = RunInstallJob(request);
    engine::RestorePcaService(services.Get());

    report.route = outcome.route == InstallRoute::PlugAndPlay ? L"plugAndPlay" : L"spooler";
    report.printerName = outcome.printerName;
    report.driver = outcome.route == InstallRoute::PlugAndPlay
                        ? std::wstring(wizard::kModelPrefix) + model
                        : outcome.printerName;
    if (!outcome.installed)
        return run.Finish(L"failed", run.FailureCode() == L"1" ? job::kExitDistributionUnreadable
                                                               : job::kExitInstallFailed);

    if (options.testPage) {
        engine::TestPageRequest page;
        page.printerName = outcome.printerName;
        page.modelName = model;
        page.driverName = report.driver;
        page.portName = port;
        if (!engine::PrintTestPage(page))
            return run.Finish(L"failed", job::kExitInstallFailed,
                              L"驱动已安装，但测试小票未能打印到 " + outcome.printerName);
        engine::WriteInstallLog(L"测试小票已送到 " + outcome.printerName, false);
    }
    return run.Finish(L"installed", job::kExitSuccess);
}

// A removal failure in a sentence: the step, what it concerned and the system's error.
std::wstring RemovalFailureText(const engine::RemovalFailure& failure) {
    std::wstring text = L"卸载未完成：" + std::wstring(engine::RemovalStepName(failure.step));
    if (!failure.object.empty())
        text += L" " + failure.object;
    return text + L"（错误 " + std::to_wstring(failure.error) + L"）";
}

int RunUninstall(const Options& options) {
    RunRecord run(options);
    if (!options.quiet &&
        ::MessageBoxW(nullptr,
                      (L"要从这台电脑上卸载 " + std::wstring(engine::kProductDisplayName) +
                       L" 吗？\r\n它的打印机、驱动、语言监视器、程序文件夹和开始菜单项将被删除。")
                          .c_str(),
                      kTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return run.Finish(L"cancelled", job::kExitCancelled, L"用户取消了卸载");

    const win::KernelHandle services = win::StartThread(engine::ServiceStartupThread, nullptr);
    const engine::UninstallResult removal = engine::UninstallProduct();
    engine::RestorePcaService(services.Get());

    int code = job::kExitSuccess;
    std::wstring result = L"removed", message;
    if (!removal.succeeded) {
        const engine::RemovalFailure& first = removal.failures.front();
        result = L"failed";
        code = first.step == engine::RemovalStep::Catalogue ? job::kExitDistributionUnreadable
                                                            : job::kExitInstallFailed;
        message = RemovalFailureText(first);
    } else if (removal.nothingInstalled) {
        message = L"这台电脑上没有本产品";
    } else if (removal.restartPending) {
        message = L"已卸载；余下的文件在下次启动时删除";
    }
    const int exitCode = run.Finish(result, code, message);
    if (!options.quiet)
        ::MessageBoxW(nullptr,
                      (exitCode == job::kExitSuccess
                           ? (message.empty() ? std::wstring(L"卸载完成") : message)
                           : (message.empty() ? std::wstring(L"卸载未完成") : message) +
                                 L"\r\n详见安装日志。")
                          .c_str(),
                      kTitle,
                      MB_OK | (exitCode == job::kExitSuccess ? MB_ICONINFORMATION : MB_ICONERROR));
    return exitCode;
}

int RunCheck(const Options& options) {
    RunRecord run(options);
    Report& report = run.report();
    report.model = options.model;
    const std::vector<engine::PreflightRow> rows =
        job::RunPreflight(engine::GetProgramDirectory(), options.model);
    job::LogPreflightRows(rows);
    std::wstring text;
    bool distributionBroken = false;
    for (const engine::PreflightRow& row : rows) {
        report.checks.push_back({row.check, row.ok, row.detail});
        text += std::wstring(row.ok ? L"通过  " : L"未通过  ") + row.check + L"：" + row.detail +
                L"\r\n";
        if (!row.ok && row.check != engine::kCheckAdministrator &&
            row.check != engine::kCheckSpooler && row.check != engine::kCheckDataFiles)
            distributionBroken = true;
    }
    const bool passed = engine::AllRowsOk(rows);
    const int code = passed               ? job::kExitSuccess
                     : distributionBroken ? job::kExitDistributionUnreadable
                                          : job::kExitInstallFailed;
    const int exitCode =
        run.Finish(passed ? L"checked" : L"failed", code, passed ? L"" : L"有检查未通过");
    Tell(text, options.quiet, passed ? MB_ICONINFORMATION : MB_ICONWARNING);
    return exitCode;
}

// Text for whoever started the program: its console when it has one (or its redirected output,
// in UTF-8), a message box otherwise.
void Tell(const std::wstring& text, bool quiet, UINT icon) {
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (output != nullptr && output != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        if (::GetConsoleMode(output, &mode)) {
            ::WriteConsoleW(output, text.c_str(), static_cast<DWORD>(text.size()), &written,
                            nullptr);
        } else {
            const std::string bytes = Utf8Of(text);
            ::WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        }
        return;
    }
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        win::FileHandle console(::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
        DWORD written = 0;
        if (console && ::WriteConsoleW(console.Get(), text.c_str(), static_cast<DWORD>(text.size()),
                                       &written, nullptr))
            return;
    }
    if (!quiet)
        ::MessageBoxW(nullptr, text.c_str(), kTitle, MB_OK | icon);
}

} // namespace

void ReportRecorder::OnStep(const std::wstring& step, unsigned long error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_steps.push_back({step, error == 0, error});
}

void ReportRecorder::OnFailure(const std::wstring& code) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // The first code is the cause; later ones follow from it.
    if (m_code.empty())
        m_code = code;
}

std::wstring ReportRecorder::Code() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_code;
}

std::vector<ReportStep> ReportRecorder::Steps() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_steps;
}

RunRecord::RunRecord(const Options& options) : m_options(options), m_started(::GetTickCount64()) {
    m_report.startedAt = UtcNow();
    m_report.version = win::ProgramVersion();
    const engine::PackagePlatform platform = engine::NativePlatform();
    m_report.package = platform == engine::PackagePlatform::X64   ? L"X64"
                       : platform == engine::PackagePlatform::X86 ? L"i386"
                                                                  : L"";
    const wchar_t* environment = engine::SpoolerEnvironment();
    m_report.environment = environment != nullptr ? environment : L"";
    engine::SetInstallLogCopy(options.logFile);
}

int RunRecord::Finish(const std::wstring& result, int exitCode, const std::wstring& message) {
    m_report.result = result;
    m_report.exitCode = exitCode;
    if (m_report.errorCode.empty())
        m_report.errorCode = m_recorder.Code();
    if (!message.empty()) {
        m_report.message = message;
        engine::WriteInstallLog(message, false);
    }
    engine::WriteInstallLog(L"运行结束：" + result + L"，退出代码 " + std::to_wstring(exitCode),
                            false);
    m_report.steps = m_recorder.Steps();
    const std::wstring folder = engine::GetInstallLogFolder();
    m_report.log =
        folder.empty() ? L"" : folder + engine::LogFileName(engine::GetInstallLogFileNumber());
    m_report.durationMs = static_cast<long long>(::GetTickCount64() - m_started);
    int code = exitCode;
    if (!m_options.reportFile.empty() && !WriteReport(m_options.reportFile, m_report)) {
        // The deployment system reads the report: a run it cannot read of is a failed run.
        if (code == job::kExitSuccess)
            code = job::kExitInstallFailed;
    }
    engine::SetInstallLogCopy(L"");
    return code;
}

int RunRecord::FinishWizard(int exitCode) {
    m_report.model = m_options.model;
    m_report.port = m_options.port;
    switch (exitCode) {
    case job::kExitSuccess:
        return Finish(L"installed", exitCode);
    case job::kExitCancelled:
        return Finish(L"cancelled", exitCode);
    default:
        return Finish(L"failed", exitCode);
    }
}

std::vector<std::wstring> ProgramArguments() {
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; argv != nullptr && i < count; ++i)
        arguments.push_back(argv[i]);
    if (argv != nullptr)
        ::LocalFree(argv);
    return arguments;
}

int RunCommandLine(const ParsedCommandLine& parsed, bool alreadyRunning) {
    const Options& options = parsed.options;
    if (options.action == Action::Usage) {
        Tell(UsageText(), false, MB_ICONINFORMATION);
        return job::kExitSuccess;
    }
    if (!parsed.error.empty()) {
        RunRecord run(options);
        Tell(parsed.error + L"\r\n\r\n" + UsageText(), options.quiet, MB_ICONERROR);
        return run.Finish(L"failed", job::kExitBadCommandLine, L"命令行参数无效：" + parsed.error);
    }
    if (engine::NativePlatform() == engine::PackagePlatform::None) {
        RunRecord run(options);
        return run.Finish(L"failed", job::kExitPlatformUnsupported,
                          L"本驱动只能安装在 32 位（x86）或 64 位（x64）Windows 上");
    }
    if (alreadyRunning) {
        RunRecord run(options);
        return run.Finish(L"failed", job::kExitAlreadyRunning, L"安装程序已在运行");
    }
    switch (options.action) {
    case Action::Install:
        return RunQuietInstall(options);
    case Action::Uninstall:
        return RunUninstall(options);
    case Action::Check:
        return RunCheck(options);
    default: {
        RunRecord run(options);
        return run.Finish(L"failed", job::kExitBadCommandLine, L"命令行参数无效");
    }
    }
}

} // namespace unattended
