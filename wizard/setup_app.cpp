#include "wizard/setup_app.h"

#include "engine/font_install.h"
#include "engine/install_log.h"
#include "engine/package_locator.h"
#include "engine/protected_print.h"
#include "engine/run_context.h"
#include "engine/self_removal.h"
#include "engine/service_control.h"
#include "job/exit_codes.h"
#include "unattended/command_line.h"
#include "unattended/output_links.h"
#include "unattended/unattended_run.h"
#include "win/common_controls.h"
#include "win/handle.h"
#include "win/system_library.h"
#include "win/thread.h"
#include "wizard/setup_dlg.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kSingleInstanceMutex[] = L"Local\\Velmora.Korvane.Setup.Wizard";

BOOL CALLBACK FindWizardWindow(HWND window, LPARAM found) {
    if (::GetPropW(window, kWizardWindowProperty) != window)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// A second copy started while one runs brings the running wizard to the front instead: the
// window it shows on top (the error dialog, a message box, the close confirmation), or the
// wizard itself. The first copy may still be copying its fonts: it is given some seconds to make
// its window, and when there is none the user is told that the installer already runs.
void ActivateRunningWizard() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        HWND wizard = nullptr;
        ::EnumWindows(FindWizardWindow, reinterpret_cast<LPARAM>(&wizard));
        if (wizard != nullptr) {
            if (::IsIconic(wizard))
                ::ShowWindow(wizard, SW_RESTORE);
            HWND front = ::GetLastActivePopup(wizard);
            ::SetForegroundWindow(front != nullptr && ::IsWindowVisible(front) ? front : wizard);
            return;
        }
        ::Sleep(100);
    }
    ::MessageBoxW(nullptr, L"安装程序已在运行。", L"安装提示", MB_OK | MB_ICONINFORMATION);
}

std::wstring ProgramFolderWithBackslash() {
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length < MAX_PATH ? length : 0);
    const size_t slash = folder.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

// The service start-up thread, started once the wizard's first page is on the screen.
win::KernelHandle g_serviceStartup;
UINT_PTR g_serviceTimer = 0;

void StartServiceStartup() {
    if (g_serviceTimer != 0) {
        ::KillTimer(nullptr, g_serviceTimer);
        g_serviceTimer = 0;
    }
    if (!g_serviceStartup)
        g_serviceStartup = win::StartThread(engine::ServiceStartupThread, nullptr);
}

void CALLBACK OnServiceTimer(HWND, UINT, UINT_PTR, DWORD) {
    StartServiceStartup();
}

} // namespace

int CSetupApp::InitInstance() {
    // Neither driver package runs on ARM64 or IA64 Windows: say so and change nothing.
    if (engine::NativePlatform() == engine::PackagePlatform::None) {
        ::MessageBoxW(nullptr,
                      L"本驱动只能安装在 32 位（x86）或 64 位（x64）Windows 上，"
                      L"不能用于这台电脑的处理器（ARM64 或 IA64）。",
                      L"安装提示", MB_OK | MB_ICONERROR);
        return job::kExitPlatformUnsupported;
    }
    // Windows protected print mode refuses third-party drivers: say so before anything changes.
    const engine::ProtectedPrintState protectedPrint = engine::ProtectedPrintMode();
    if (protectedPrint.enabled) {
        engine::WriteInstallLog(
            std::wstring(engine::kProtectedPrintText) + L"（" + protectedPrint.how + L"）", false);
        ::MessageBoxW(nullptr, engine::kProtectedPrintText, L"安装提示", MB_OK | MB_ICONERROR);
        return job::kExitBlockedByPolicy;
    }
    if (win::Comctl().InitCommonControlsEx != nullptr) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        win::Comctl().InitCommonControlsEx(&icc);
    }

    // The fonts beside the program go into the system fonts folder, registered for use at once.
    engine::InstallFonts(ProgramFolderWithBackslash() + L"字体\\", engine::GetFontsFolder());

    // Stops the compatibility assistant and makes sure the spooler runs, beside the wizard. Its
    // service calls would compete with the first page's set-up: a timer's message comes only
    // when no other is waiting, after the page's first paint, and starts it then (or the wizard's
    // end does, if that comes first).
    g_serviceTimer = ::SetTimer(nullptr, 0, 0, OnServiceTimer);
    if (g_serviceTimer == 0)
        StartServiceStartup();

    int exitCode = job::kExitCancelled;
    {
        auto wizard = std::make_unique<CSetupDlg>();
        wizard->SetPreselection(preselectModel, preselectPort);
        wizard->DoModal(nullptr);
        exitCode = wizard->ExitCode();
    }

    // Started again however the wizard ended, once the start-up thread is done stopping it.
    StartServiceStartup();
    engine::RestorePcaService(g_serviceStartup.Get());
    return exitCode;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // First of all: no DLL may come from the program's folder (a Downloads folder, often).
    win::RestrictDllSearchPath();

    const std::vector<std::wstring> arguments = unattended::ProgramArguments();
    // The temporary copy a removal started to delete the kept installer after it.
    if (engine::IsRemovalFinisher(arguments))
        return engine::RunRemovalFinisher(arguments);
    const unattended::ParsedCommandLine parsed = unattended::ParseCommandLine(arguments);
    const unattended::Options& options = parsed.options;
    // An install without /quiet is the wizard, with the given model and port preselected.
    const bool wizard = options.action == unattended::Action::Wizard ||
                        (options.action == unattended::Action::Install && !options.quiet);
    engine::SetAllUsersRun(options.allUsers);
    if (options.action == unattended::Action::Usage || !parsed.error.empty())
        return unattended::RunCommandLine(parsed, false);

    win::KernelHandle mutex(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutex));
    const bool alreadyRunning = mutex && ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (!wizard)
        return unattended::RunCommandLine(parsed, alreadyRunning);
    if (alreadyRunning) {
        ActivateRunningWizard();
        return job::kExitAlreadyRunning;
    }
    if (options.action == unattended::Action::Wizard) {
        CSetupApp app;
        return app.InitInstance();
    }
    if (const int refused = unattended::RefuseLinkedOutputs(options))
        return refused;
    unattended::RunRecord run(options);
    CSetupApp app;
    app.preselectModel = options.model;
    app.preselectPort = options.port;
    return run.FinishWizard(app.InitInstance());
}
