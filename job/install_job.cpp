#include "job/install_job.h"

#include "engine/apps_entry.h"
#include "engine/driver_staging.h"
#include "engine/install_log.h"
#include "engine/install_record.h"
#include "engine/installed_printer.h"
#include "engine/job_observer.h"
#include "engine/package_locator.h"
#include "engine/printer_registration.h"
#include "engine/spooler_api.h"
#include "job/preflight.h"
#include "pnp/pnp_installer.h"

#include <memory>

void SpoolerOrdinal204(const std::wstring& printerName) {
    const BOOL done = engine::Spooler().Ordinal204(printerName.c_str());
    engine::WriteInstallStep(L"Spooler ordinal 204 " + printerName, done ? 0 : ::GetLastError());
}

bool InstallPrinter(const std::wstring& modelName, const std::wstring& portName,
                    const std::wstring& dataFileName, std::wstring* printerNameOut) {
    const std::wstring printerName = engine::MakePrinterName(modelName);
    if (printerNameOut != nullptr)
        *printerNameOut = printerName;
    engine::WriteInstallLog(L"后台打印程序安装：打印机 " + printerName + L"，端口 " + portName +
                                L"，数据文件 " + dataFileName,
                            false);
    // A staging failure is a failure whatever the setup library said: no driver and no printer
    // were registered, and the failure has been reported with its code.
    if (!engine::StageDriverPackage(dataFileName))
        return false;
    if (!engine::RegisterDriverAndPrinter(printerName, portName, dataFileName))
        return false;
    engine::RecordQueue(printerName, printerName);
    SpoolerOrdinal204(printerName);
    return true;
}

namespace {

// The Plug and Play way, tried when the printer on the machine reports the chosen model.
bool InstallByPlugAndPlay(const std::wstring& modelName) {
    CPnpInstaller installer;
    const std::wstring inf = GetPnpInfPath();
    engine::WriteInstallLog(L"即插即用安装：" + inf, false);
    if (!installer.FindMatchingDevice(inf)) {
        engine::WriteInstallLog(L"即插即用安装：没有与驱动包相符的设备", false);
        return false;
    }
    if (!installer.Install()) {
        engine::WriteInstallLog(L"即插即用安装未成功", false);
        return false;
    }
    engine::WriteInstallLog(L"即插即用安装成功", false);
    // Windows names the queue it makes for the device; the driver, named by the INF's model
    // line, is what ties that queue to the product.
    engine::RecordQueue(L"", L"Korvane " + modelName);
    SpoolerOrdinal204(L"Korvane " + modelName);
    return true;
}

// The package checks, before anything on the machine changes: this machine's package with every
// file it lists, the INF with the model's line, the model's data file and the language monitor.
// A distribution that cannot succeed fails here with its code: "1" when there is no package
// folder or its INF lacks the model, "2" when one of the maker's files is missing or unusable
// (as staging would report the file it cannot copy).
bool PackageReady(const std::wstring& modelName) {
    bool ready = true;
    std::wstring code;
    const std::vector<job::PreflightRow> rows =
        job::RunPackageChecks(engine::GetProgramDirectory(), modelName);
    job::LogPreflightRows(rows);
    const DWORD folder = ::GetFileAttributesW(engine::GetDriverSourceFolder().c_str());
    const bool packageFolder =
        folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY) != 0;
    for (const job::PreflightRow& row : rows) {
        if (row.ok || row.warning)
            continue;
        ready = false;
        const bool makerFile =
            packageFolder && (row.check == job::kCheckPackage ||
                              row.check == job::kCheckDataFiles || row.check == job::kCheckMonitor);
        if (code.empty() || code == L"2")
            code = makerFile ? L"2" : L"1";
    }
    if (!ready)
        engine::ReportFailure(code);
    return ready;
}

// A repeated silent install takes over the model's queue on the port: the package staged again
// (the maker's files replaced where they differ, the support folders and shortcuts refreshed, the
// INF staged), the monitor kept or replaced, and the driver registered again over itself when its
// files are not the distribution's. The queue keeps its name, port and settings.
bool UpdateInstalledQueue(const InstallRequest& request, const engine::QueueListing& queue,
                          InstallChange& change) {
    engine::WriteInstallLog(L"更新已安装的打印机：" + queue.name + L"，驱动 " + queue.driver +
                                L"，端口 " + queue.port,
                            false);
    if (!engine::StageDriverPackage(request.dataFileName))
        return false;
    engine::MonitorChange monitor = engine::MonitorChange::Kept;
    if (!engine::RegisterLanguageMonitor(&monitor))
        return false;
    const bool current = engine::DriverFilesCurrent(queue.driver, request.dataFileName);
    if (!current && !engine::UpdatePrinterDriver(queue.driver, request.dataFileName))
        return false;
    change = current && monitor == engine::MonitorChange::Kept ? InstallChange::Unchanged
                                                               : InstallChange::Updated;
    engine::WriteInstallLog(
        change == InstallChange::Unchanged ? L"打印机驱动未改变" : L"打印机驱动已更新", false);
    return true;
}

// The queue a repeated install takes over; false when there is none (or the spooler does not
// list its queues: a new one is added then, as on a first install).
bool FindQueueToReuse(const InstallRequest& request, engine::QueueListing& found) {
    std::vector<engine::QueueListing> queues;
    if (!engine::ListLocalQueues(queues)) {
        engine::WriteInstallStep(L"EnumPrinters", ::GetLastError());
        return false;
    }
    const int index = engine::QueueToReuse(queues, request.modelName, request.portName);
    if (index < 0)
        return false;
    found = queues[static_cast<size_t>(index)];
    return true;
}

} // namespace

InstallOutcome RunInstallJob(const InstallRequest& request) {
    engine::WriteInstallLog(
        L"安装开始：型号 " + request.modelName + L"，端口 " + request.portName +
            L"，打印机报告的型号 " +
            (request.detectedModelName.empty() ? L"（无）" : request.detectedModelName),
        false);
    InstallOutcome outcome;
    if (!PackageReady(request.modelName)) {
        outcome.packageRefused = true;
        engine::WriteInstallLog(L"驱动安装失败", false);
        return outcome;
    }
    engine::QueueListing queue;
    if (request.reuseQueue && FindQueueToReuse(request, queue)) {
        outcome.route = InstallRoute::Spooler;
        outcome.printerName = queue.name;
        outcome.driverName = queue.driver;
        outcome.installed = UpdateInstalledQueue(request, queue, outcome.change);
    } else if (request.modelName == request.detectedModelName &&
               InstallByPlugAndPlay(request.modelName)) {
        outcome.installed = true;
        outcome.route = InstallRoute::PlugAndPlay;
        outcome.printerName = L"Korvane " + request.modelName;
        outcome.driverName = outcome.printerName;
    } else {
        outcome.route = InstallRoute::Spooler;
        outcome.installed = InstallPrinter(request.modelName, request.portName,
                                           request.dataFileName, &outcome.printerName);
        outcome.driverName = outcome.printerName;
    }
    // The product's entry in Apps & Features, with the installer kept to remove it. The printer
    // works without it; the caller decides what its failure means (the wizard logs it, a silent
    // run fails, since a deployment system detects the product by the entry).
    outcome.registered = outcome.installed &&
                         engine::RegisterProduct(engine::GetProgramDirectory(), request.appsEntry);
    if (outcome.installed && !outcome.registered)
        engine::WriteInstallLog(L"未能登记卸载信息（应用和功能）", false);
    // The job's end in the log: the outcome the caller is about to tell.
    engine::WriteInstallLog(outcome.installed ? L"驱动安装成功" : L"驱动安装失败", false);
    return outcome;
}

unsigned __stdcall InstallThreadProc(void* parameter) {
    // Owned from here on; freed as the very last action of the job.
    std::unique_ptr<InstallRequest> request(static_cast<InstallRequest*>(parameter));
    const InstallOutcome outcome = RunInstallJob(*request);
    ::SendMessageW(request->ownerWindow, WM_INSTALL_DONE, 0, outcome.installed ? 1 : 0);
    return 0;
}
