#include "engine/install_job.h"

#include "engine/driver_staging.h"
#include "engine/printer_registration.h"
#include "engine/spooler_api.h"
#include "pnp/pnp_installer.h"

#include <memory>

void SpoolerOrdinal204(const std::wstring& printerName) {
    engine::Spooler().Ordinal204(printerName.c_str());
}

bool InstallPrinter(const std::wstring& modelName, const std::wstring& portName,
                    const std::wstring& dataFileName) {
    const std::wstring printerName = engine::MakePrinterName(modelName);
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
    if (!installer.FindMatchingDevice(inf) || !installer.Install())
        return false;
    SpoolerOrdinal204(L"Korvane " + modelName);
    return true;
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

    if (modelName == detectedModelName && InstallByPlugAndPlay(modelName)) {
        ::SendMessageW(owner, WM_INSTALL_DONE, 0, 1);
        return 0;
    }
    const bool installed = InstallPrinter(modelName, portName, dataFileName);
    ::SendMessageW(owner, WM_INSTALL_DONE, 0, installed ? 1 : 0);
    return 0;
}
