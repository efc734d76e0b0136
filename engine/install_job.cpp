#include "engine/install_job.h"

#include "engine/driver_staging.h"
#include "engine/install_log.h"
#include "engine/printer_registration.h"
#include "engine/spooler_api.h"
#include "pnp/pnp_installer.h"

#include <memory>

void SpoolerOrdinal204(const std::wstring& printerName) {
    const BOOL done = engine::Spooler().Ordinal204(printerName.c_str());
    engine::WriteInstallStep(L"Spooler ordinal 204 " + printerName, done ? 0 : ::GetLastError());
}

bool InstallPrinter(const std::wstring& modelName, const std::wstring& portName,
                    const std::wstring& dataFileName) {
    const std::wstring printerName = engine::MakePrinterName(modelName);
    engine::WriteInstallLog(L"后台打印程序安装：打印机 " + printerName + L"，端口 " + portName +
                                L"，数据文件 " + dataFileName,
                            false);
    // A staging failure is a failure whatever the setup library said: no driver and no printer
    // were registered, and the user has just been shown why.
    if (!engine::StageDriverPackage(dataFileName))
        return false;
    if (!engine::RegisterDriverAndPrinter(printerName, portName, dataFileName))
        return false;
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
    SpoolerOrdinal204(L"Korvane " + modelName);
    return true;
}

// The job's end in the log: the outcome the wizard is about to show.
void LogOutcome(bool installed) {
    engine::WriteInstallLog(installed ? L"驱动安装成功" : L"驱动安装失败", false);
}

} // namespace

unsigned __stdcall InstallThreadProc(void* parameter) {
    // Owned from here on; freed as the very last action of the job.
    std::unique_ptr<InstallRequest> request(static_cast<InstallRequest*>(parameter));
    const HWND owner = request->ownerWindow;
    const std::wstring modelName = request->modelName;
    const std::wstring portName = request->portName;
    const std::wstring dataFileName = request->dataFileName;
    const std::wstring detectedModelName = request->detectedModelName;

    engine::WriteInstallLog(L"安装开始：型号 " + modelName + L"，端口 " + portName +
                                L"，打印机报告的型号 " +
                                (detectedModelName.empty() ? L"（无）" : detectedModelName),
                            false);
    if (modelName == detectedModelName && InstallByPlugAndPlay(modelName)) {
        LogOutcome(true);
        ::SendMessageW(owner, WM_INSTALL_DONE, 0, 1);
        return 0;
    }
    const bool installed = InstallPrinter(modelName, portName, dataFileName);
    LogOutcome(installed);
    ::SendMessageW(owner, WM_INSTALL_DONE, 0, installed ? 1 : 0);
    return 0;
}
