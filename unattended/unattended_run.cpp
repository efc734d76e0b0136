#include "unattended/unattended_run.h"

#include "engine/install_log.h"
#include "engine/package_locator.h"
#include "job/exit_codes.h"
#include "unattended/output_links.h"
#include "unattended/runs.h"

#include <windows.h>
#include <shellapi.h>

namespace unattended {

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
        // Where no window may show and no console listens, the log keeps it.
        if (!Tell(UsageText(), options.quiet, MB_ICONINFORMATION))
            engine::WriteInstallLog(UsageText(), false);
        return job::kExitSuccess;
    }
    // Before anything is made or written: no folder, no log copy, no report through a link.
    if (const int refused = RefuseLinkedOutputs(options))
        return refused;
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
