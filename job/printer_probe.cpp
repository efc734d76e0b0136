#include "job/printer_probe.h"

#include "discovery/parallel_port.h"
#include "discovery/usb_device_id.h"
#include "discovery/usb_port.h"
#include "engine/printer_info_file.h"
#include "engine/spooler_api.h"
#include "pnp/ini_reader.h"
#include "win/handle.h"

namespace job {

std::wstring DetectConnectedModel(const std::wstring& cataloguePath) {
    CIniReader reader;
    const engine::ReadableCatalogue readable(cataloguePath);
    reader.SetFileName(readable.Path());
    const std::wstring vid = reader.GetValue(L"VID_PID", L"VID");
    const std::wstring pid = reader.GetValue(L"VID_PID", L"PID");
    if (!vid.empty() || !pid.empty())
        discovery::g_strPrinterHardwareId = vid + L"&" + pid;

    std::wstring detected;
    discovery::QueryUsbDeviceId(detected);
    if (detected.empty()) {
        win::FileHandle port = discovery::OpenParallelPrinterDevice(L"LPT");
        if (port) {
            wchar_t model[260] = {};
            if (discovery::QueryParallelDeviceId(port.Get(), model, 260) == 0)
                detected = model;
        }
    }
    return detected;
}

PortListing ListSpoolerPorts(std::vector<std::wstring>& names) {
    const engine::SpoolerApi& spooler = engine::Spooler();
    DWORD needed = 0;
    DWORD returned = 0;
    if (spooler.EnumPortsW(nullptr, 1, nullptr, 0, &needed, &returned) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return PortListing::SizeRefused;
    std::vector<BYTE> buffer(needed, 0);
    if (!spooler.EnumPortsW(nullptr, 1, buffer.data(), needed, &needed, &returned))
        return PortListing::ListRefused;
    const auto* ports = reinterpret_cast<const PORT_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        names.push_back(ports[i].pName != nullptr ? ports[i].pName : L"");
    return PortListing::Listed;
}

} // namespace job
