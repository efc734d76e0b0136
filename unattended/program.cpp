#include "unattended/program.h"

#include "engine/install_log.h"
#include "engine/run_context.h"
#include "job/exit_codes.h"
#include "unattended/one_copy.h"
#include "unattended/output_links.h"
#include "unattended/run_record.h"
#include "unattended/unattended_run.h"

namespace unattended {

int RunProgram(const std::vector<std::wstring>& arguments, const WizardEntry& wizard) {
    ParsedCommandLine parsed = ParseCommandLine(arguments);
    Options& options = parsed.options;
    if (!engine::CanShowWindows() && !options.quiet) {
        // A deployment system's account in session 0: a window there waits for no one until the
        // deployment times out (or holds up a start-up script and with it the boot).
        options.quiet = true;
        if (options.action == Action::Wizard)
            options.action = Action::Install;
        engine::WriteInstallLog(L"这里没有人能看到窗口（会话 0 或不可见的窗口站），按 /quiet 运行",
                                false);
    }
    engine::SetAllUsersRun(options.allUsers);
    if (options.action == Action::Usage || !parsed.error.empty())
        return RunCommandLine(parsed, false);

    // An install without /quiet is the wizard, with the given model and port preselected.
    const bool showsWizard =
        options.action == Action::Wizard || (options.action == Action::Install && !options.quiet);
    win::KernelHandle mutex;
    const bool alreadyRunning = !TakeOneCopyMutex(mutex);
    if (!showsWizard)
        return RunCommandLine(parsed, alreadyRunning);
    if (alreadyRunning) {
        wizard.activateRunning();
        return job::kExitAlreadyRunning;
    }
    if (options.action == Action::Wizard)
        return wizard.run(options);
    // The wizard's run with /log or /report writes them as a silent run does.
    if (const int refused = RefuseLinkedOutputs(options))
        return refused;
    RunRecord run(options);
    return run.FinishWizard(wizard.run(options));
}

} // namespace unattended
