#include "engine/service_control.h"
#include "engine/uninstall.h"
#include "job/exit_codes.h"
#include "unattended/run_record.h"
#include "unattended/runs.h"
#include "win/handle.h"
#include "win/thread.h"

#include <windows.h>

namespace unattended {

namespace {

// A removal failure in a sentence: the step, what it concerned and the system's error.
std::wstring RemovalFailureText(const engine::RemovalFailure& failure) {
    std::wstring text = L"卸载未完成：" + std::wstring(engine::RemovalStepName(failure.step));
    if (!failure.object.empty())
        text += L" " + failure.object;
    return text + L"（错误 " + std::to_wstring(failure.error) + L"）";
}

} // namespace

int RunUninstall(const Options& options) {
    RunRecord run(options);
    if (!options.quiet &&
        ::MessageBoxW(nullptr,
                      (L"要从这台电脑上卸载 " + std::wstring(engine::kProductDisplayName) +
                       L" 吗？\r\n它的打印机、驱动、语言监视器、程序文件夹和开始菜单项将被删除。")
                          .c_str(),
                      kTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return run.Finish(L"cancelled", job::kExitCancelled, L"用户取消了卸载");

    int code = job::kExitSuccess;
    std::wstring result = L"removed", message;
    // The removal's first step asks the spooler for its printers: it must run.
    if (!engine::MakeSpoolerRun()) {
        result = L"failed";
        code = job::kExitInstallFailed;
        message = engine::kSpoolerDownText;
    } else {
        const win::KernelHandle services = win::StartThread(engine::ServiceStartupThread, nullptr);
        const engine::UninstallResult removal = engine::UninstallProduct();
        engine::RestorePcaService(services.Get());
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

} // namespace unattended
