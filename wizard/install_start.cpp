// The wizard's work where its pages reach into the system: the model list with the connected
// printer's model, the port list with its port, and the start of the install job.
#include "wizard/setup_dlg.h"

#include "discovery/usb_port.h"
#include "engine/job_observer.h"
#include "job/install_job.h"
#include "win/thread.h"
#include "job/printer_probe.h"
#include "wizard/wizard_rules.h"

#include <commctrl.h>

#include <vector>

namespace {

using engine::kCatalogueCapacity;
using engine::kProductLine;

// The error code shown when the install job's thread cannot be started.
constexpr const wchar_t* kJobNotStartedCode = L"7";

CSetupDlg::JobStarter g_startJob = win::StartThread;

} // namespace

void CSetupDlg::FillModelList() {
    ::SendMessageW(m_listModel, LB_RESETCONTENT, 0, 0);
    const std::wstring detected = job::DetectConnectedModel(m_catalogue.iniPath);
    m_strDetectedModel = detected;

    // A catalogue that cannot be read or reads as empty says so (its path is in the log); names
    // that cannot be printer names are left out.
    std::vector<std::wstring> names;
    if (!engine::LoadCatalogueModels(m_catalogue, kProductLine, kCatalogueCapacity, names)) {
        engine::ReportFailure(L"1");
        ::SendMessageW(Hwnd(), WM_CLOSE, 0, 0);
        return;
    }
    for (const std::wstring& name : names) {
        if (!name.empty())
            ::SendMessageW(m_listModel, LB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>((job::kModelPrefix + name).c_str()));
    }
    LRESULT row = 0;
    int match = job::MatchDetectedModel(names, detected);
    for (size_t i = 0; i < names.size(); ++i) {
        if (!m_preselectModel.empty() && names[i] == m_preselectModel)
            match = static_cast<int>(i);
    }
    if (match >= 0) {
        const std::wstring wanted = job::kModelPrefix + names[static_cast<size_t>(match)];
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
    std::vector<std::wstring> rows;
    switch (job::ListSpoolerPorts(rows)) {
    case job::PortListing::SizeRefused:
        ::MessageBoxW(Hwnd(), L"无法查找当前设备端口列表!", L"安装提示", MB_ICONINFORMATION);
        return FALSE;
    case job::PortListing::ListRefused:
        ::MessageBoxW(Hwnd(), L"枚举当前设备端口失败!", L"安装提示", MB_ICONINFORMATION);
        return FALSE;
    case job::PortListing::Listed:
        break;
    }
    for (size_t i = 0; i < rows.size(); ++i)
        ::SendMessageW(m_listPort, LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(rows[i].c_str()));
    const DWORD usbPort = discovery::FindUsbPrinterPortNumber(Hwnd());
    int row = job::PreselectPortRow(rows, usbPort);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!m_preselectPort.empty() && rows[i] == m_preselectPort)
            row = static_cast<int>(i);
    }
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
        engine::ReportFailure(kJobNotStartedCode);
        OnInstallDone(0);
    }
}

void CSetupDlg::SetJobStarterForTesting(JobStarter start) {
    g_startJob = start != nullptr ? start : win::StartThread;
}
