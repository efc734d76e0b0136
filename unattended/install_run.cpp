#include "discovery/usb_port.h"
#include "engine/apps_entry.h"
#include "engine/font_install.h"
#include "engine/install_log.h"
#include "engine/package_locator.h"
#include "engine/printer_info_file.h"
#include "engine/protected_print.h"
#include "engine/rerun_rules.h"
#include "engine/service_control.h"
#include "engine/test_page.h"
#include "job/exit_codes.h"
#include "job/install_job.h"
#include "pnp/device_setup_api.h"
#include "unattended/run_record.h"
#include "unattended/runs.h"
#include "win/handle.h"
#include "win/thread.h"
#include "job/printer_probe.h"
#include "job/choice_rules.h"

#include <windows.h>

namespace unattended {

namespace {

using engine::kCatalogueCapacity;
using engine::kProductLine;

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

const wchar_t* ChangeName(InstallChange change) {
    switch (change) {
    case InstallChange::Added:
        return L"added";
    case InstallChange::Updated:
        return L"updated";
    case InstallChange::Unchanged:
        return L"unchanged";
    }
    return L"";
}

} // namespace

int RunQuietInstall(const Options& options) {
    RunRecord run(options);
    Report& report = run.report();
    engine::WriteInstallLog(L"无人值守安装开始", false);
    // No one can answer the setup library in a silent run.
    pnp::SetNonInteractiveInstall(true);

    // Windows protected print mode forbids third-party drivers: nothing is tried.
    const engine::ProtectedPrintState protectedPrint = engine::ProtectedPrintMode();
    if (protectedPrint.enabled)
        return run.Finish(L"failed", job::kExitBlockedByPolicy,
                          std::wstring(engine::kProtectedPrintText) + L"（" + protectedPrint.how +
                              L"）");

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
    const std::wstring detected = job::DetectConnectedModel(catalogue.iniPath);
    std::wstring model;
    if (options.model.empty()) {
        const int match = job::MatchDetectedModel(names, detected);
        if (match < 0)
            return run.Finish(L"failed", job::kExitBadCommandLine,
                              L"没有检测到本公司的打印机，请用 /model 指定型号");
        model = names[static_cast<size_t>(match)];
    } else {
        std::wstring wanted = options.model;
        const std::wstring prefix = job::kModelPrefix;
        if (LowerText(wanted.substr(0, prefix.size())) == LowerText(prefix))
            wanted = wanted.substr(prefix.size());
        for (const std::wstring& name : names) {
            if (LowerText(name) == LowerText(wanted))
                model = name;
        }
        if (model.empty())
            return run.Finish(L"failed", job::kExitBadCommandLine,
                              L"产品目录中没有型号 " + options.model);
    }
    report.model = model;

    // The port: named and known to the spooler, or the one the wizard would preselect.
    // On Windows the spooler is a service of its own, stopped or still starting at times (a
    // deployment at boot): it runs before the first spooler call.
    if (!engine::MakeSpoolerRun())
        return run.Finish(L"failed", job::kExitInstallFailed, engine::kSpoolerDownText);
    std::vector<std::wstring> ports;
    if (job::ListSpoolerPorts(ports) != job::PortListing::Listed) {
        engine::WriteInstallStep(L"EnumPorts", ::GetLastError());
        return run.Finish(L"failed", job::kExitInstallFailed, L"无法查找当前设备端口列表");
    }
    std::wstring port;
    if (options.port.empty()) {
        const DWORD usbPort = discovery::FindUsbPrinterPortNumber(nullptr, false);
        const int row = job::PreselectPortRow(ports, usbPort);
        if (row >= 0)
            port = ports[static_cast<size_t>(row)];
        if (port.empty())
            return run.Finish(L"failed", job::kExitBadCommandLine,
                              L"找不到打印机的端口，请用 /port 指定端口");
    } else {
        for (const std::wstring& name : ports) {
            if (LowerText(name) == LowerText(options.port))
                port = name;
        }
        if (port.empty())
            return run.Finish(L"failed", job::kExitBadCommandLine,
                              L"后台打印程序没有端口 " + options.port);
    }
    report.port = port;

    // A newer product on the machine is left as it is: a deployment system that runs an older
    // installer (a stale assignment, a rollback by mistake) must not replace it.
    const std::wstring installed = engine::InstalledProductVersion();
    report.installedVersion = installed;
    if (engine::InstalledVersionOrder(installed, report.version) == engine::VersionOrder::Newer)
        return run.Finish(L"failed", job::kExitNewerVersionInstalled,
                          L"这台电脑上已安装本产品的更新版本 " + installed + L"（本安装程序为 " +
                              report.version + L"），未作任何改动");

    // What the wizard does around its job: the fonts, the services, then the job itself.
    engine::InstallFonts(engine::GetProgramDirectory() + L"\\字体\\", engine::GetFontsFolder());
    const win::KernelHandle services = win::StartThread(engine::ServiceStartupThread, nullptr);
    InstallRequest request;
    request.modelName = model;
    request.portName = port;
    request.dataFileName = model + L".GPD";
    request.detectedModelName = detected;
    request.reuseQueue = !options.newQueue;
    request.appsEntry = !options.fromPackage;
    const InstallOutcome outcome = RunInstallJob(request);
    engine::RestorePcaService(services.Get());

    report.route = outcome.route == InstallRoute::PlugAndPlay ? L"plugAndPlay" : L"spooler";
    report.printerName = outcome.printerName;
    report.driver = outcome.driverName;
    if (!outcome.installed)
        return run.Finish(L"failed", outcome.packageRefused || run.FailureCode() == L"1"
                                         ? job::kExitDistributionUnreadable
                                         : job::kExitInstallFailed);
    report.change = ChangeName(outcome.change);
    // Deployment systems detect the product by its Apps & Features entry, and remove it with the
    // kept installer: without them the installation is not complete.
    if (!outcome.registered)
        return run.Finish(L"failed", job::kExitInstallFailed,
                          L"打印机已安装，但未能登记卸载信息（应用和功能）或保留安装程序");

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

} // namespace unattended
