// The wizard's work where its pages reach into the system: the model list with the connected
// printer's model, the port list with its port, and the start of the install job.
#include "wizard/setup_dlg.h"

#include "controls/dlg_mes_error.h"
#include "discovery/parallel_port.h"
#include "discovery/usb_device_id.h"
#include "discovery/usb_port.h"
#include "engine/install_job.h"
#include "engine/spooler_api.h"
#include "pnp/ini_reader.h"
#include "win/handle.h"
#include "win/thread.h"
#include "wizard/wizard_rules.h"

#include <commctrl.h>

#include <vector>

namespace {

using engine::kCatalogueCapacity;
constexpr const wchar_t* kProductLine = engine::kCatalogueProductLine;

// The error code shown when the install job's thread cannot be started.
constexpr const wchar_t* kJobNotStartedCode = L"7";

CSetupDlg::JobStarter g_startJob = win::StartThread;

} // namespace

void CSetupDlg::FillModelList() {
    CIniReader reader;
    const engine::ReadableCatalogue readable(m_catalogue.iniPath);
    reader.SetFileName(readable.Path());
    const std::wstring vid = reader.GetValue(L"VID_PID", L"VID");
    const std::wstring pid = reader.GetValue(L"VID_PID", L"PID");
    if (!vid.empty() || !pid.empty())
        discovery::g_strPrinterHardwareId = vid + L"&" + pid;

    ::SendMessageW(m_listModel, LB_RESETCONTENT, 0, 0);

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
    m_strDetectedModel = detected;

    // A catalogue that cannot be read or reads as empty says so (its path is in the log); names
    // that cannot be printer names are left out.
    std::vector<std::wstring> names;
    if (!engine::LoadCatalogueModels(m_catalogue, kProductLine, kCatalogueCapacity, names)) {
        ShowErrorDialog(L"1", Hwnd());
        ::SendMessageW(Hwnd(), WM_CLOSE, 0, 0);
        return;
    }
    for (const std::wstring& name : names) {
        if (!name.empty())
            ::SendMessageW(m_listModel, LB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>((wizard::kModelPrefix + name).c_str()));
    }
    LRESULT row = 0;
    const int match = wizard::MatchDetectedModel(names, detected);
    if (match >= 0) {
        const std::wstring wanted = wizard::kModelPrefix + names[static_cast<size_t>(match)];
        const LRESULT count = ::SendMessageW(m_listModel, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            if (win::ListBoxText(m_listModel, i) == wanted) {
                row = i;
                break;
            }
        }
    }
    ::SendMessageW(m_listModel, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

void CSetupDlg::TakeModel() {
    const LRESULT row = ::SendMessageW(m_listModel, LB_GETCURSEL, 0, 0);
    if (row == LB_ERR)
        return;
    m_strModel = wizard::ModelOfRow(win::ListBoxText(m_listModel, row));
}

BOOL CSetupDlg::FillPortList() {
    ::SendMessageW(m_listPort, LB_RESETCONTENT, 0, 0);
    const engine::SpoolerApi& spooler = engine::Spooler();
    DWORD needed = 0;
    DWORD returned = 0;
    if (spooler.EnumPortsW(nullptr, 1, nullptr, 0, &needed, &returned) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        ::MessageBoxW(Hwnd(), L"无法查找当前设备端口列表!", L"安装提示", MB_ICONINFORMATION);
        return FALSE;
    }
    std::vector<BYTE> buffer(needed, 0);
    if (!spooler.EnumPortsW(nullptr, 1, buffer.data(), needed, &needed, &returned)) {
        ::MessageBoxW(Hwnd(), L"枚举当前设备端口失败!", L"安装提示", MB_ICONINFORMATION);
        return FALSE;
    }
    const auto* ports = reinterpret_cast<const PORT_INFO_1W*>(buffer.data());
    std::vector<std::wstring> rows;
    for (DWORD i = 0; i < returned; ++i) {
        const std::wstring name = ports[i].pName != nullptr ? ports[i].pName : L"";
        ::SendMessageW(m_listPort, LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(name.c_str()));
        rows.push_back(name);
    }
    const DWORD usbPort = discovery::FindUsbPrinterPortNumber(Hwnd());
    const int row = wizard::PreselectPortRow(rows, usbPort);
    if (row >= 0)
        ::SendMessageW(m_listPort, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    return usbPort != 0 ? TRUE : FALSE;
}

void CSetupDlg::StartInstall() {
    auto* request = new InstallRequest;
    request->ownerWindow = Hwnd();
    request->modelName = m_strModel;
    request->portName = m_strPort;
    request->dataFileName = m_strModel + L".GPD";
    request->detectedModelName = m_strDetectedModel;

    HWND bar = m_progress.Hwnd();
    ::SendMessageW(bar, TPB_SETSHOWTEXT, FALSE, 0);
    ::SetWindowTextW(bar, L"");
    ::SendMessageW(bar, PBM_SETBARCOLOR, 0, RGB(0, 78, 161));
    ::SetTimer(Hwnd(), 129, 30, nullptr);
    ::InvalidateRect(Hwnd(), nullptr, TRUE);

    m_bInstalling = true;
    win::KernelHandle job = g_startJob(InstallThreadProc, request);
    if (!job) {
        // No job will report: free what it would have freed, say so with a code, and end as a
        // failed job ends.
        delete request;
        m_bInstalling = false;
        ::KillTimer(Hwnd(), 129);
        ShowErrorDialog(kJobNotStartedCode, Hwnd());
        OnInstallDone(0);
    }
}

void CSetupDlg::SetJobStarterForTesting(JobStarter start) {
    g_startJob = start != nullptr ? start : win::StartThread;
}
