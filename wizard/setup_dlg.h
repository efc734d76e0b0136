// The installer's wizard window: model, port, confirmation and install pages.
#pragma once

#include "controls/dlg_is_close.h"
#include "controls/my_button.h"
#include "controls/picture_ctrl.h"
#include "controls/text_progress_ctrl.h"
#include "engine/job_observer.h"
#include "engine/printer_info_file.h"
#include "win/gdi.h"
#include "win/thread.h"
#include "win/window.h"
#include "wizard/wizard_rules.h"

#include <string>

// A property the wizard's window carries from its creation on (before its title is set, before
// the printer probes, while the catalogue's error shows): a second copy finds the first by it.
constexpr wchar_t kWizardWindowProperty[] = L"Velmora.Korvane.Setup.Wizard";

class CSetupDlg : public win::Dialog, private engine::JobObserver {
public:
    CSetupDlg();
    ~CSetupDlg() override;

    int Page() const { return m_nPage; }
    bool IsInstalling() const { return m_bInstalling; }

    // Rows to select when their pages open, from the command line: a model as the list shows it
    // after "Korvane " and a port name; empty, or a name that is not listed, keeps the choice the
    // wizard makes itself.
    void SetPreselection(const std::wstring& model, const std::wstring& port);

    // How the run ended, as Windows installers report it: 0 installed, 1602 closed before the
    // install, 1603 the install failed, 1619 the catalogue could not be read.
    int ExitCode() const;

    // How the install job's thread is started; tests give a starter that fails (nullptr: the
    // real one).
    using JobStarter = win::KernelHandle (*)(win::ThreadProc proc, void* parameter);
    static void SetJobStarterForTesting(JobStarter start);

protected:
    void BindControls() override;
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override {}     // Enter never ends the wizard
    void OnCancel() override {} // nor Esc: only the cancel button, the caption or the job
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    bool PreTranslateMessage(const MSG& message) override;

private:
    // Pages
    void ShowModelPage(BOOL show);
    void ShowPortPage(BOOL show);
    void ShowConfirmPage(BOOL show);
    void ShowInstallPage(BOOL show);
    void SwitchPage(int target, int current);
    // Whether `page` has what the next page needs (a chosen row); if not, tells the user why.
    bool CanLeaveForward(int page);

    // Work done when pages are entered and left
    void FillModelList();
    void TakeModel();
    BOOL FillPortList();
    void StartInstall();

    // Handlers
    void OnCancelButton();
    void OnInstallDone(LPARAM installed);
    void OnTimer(UINT_PTR id);
    void PaintBackground(HDC dc);
    bool OnSysCommand(WPARAM command);

    // The install job's observer: a failure shows the error dialog, owned by the wizard when it
    // is reported on the wizard's thread.
    void OnStep(const std::wstring&, unsigned long) override {}
    void OnFailure(const std::wstring& code) override;

    static void Place(CMyButton& button, int bitmap, const wizard::ButtonSlot& slot);
    static void Place(CPictureCtrl& picture, int bitmap, int x, int y, int width, int height);

    HICON m_hIcon = nullptr;
    CPictureCtrl m_picTip1;
    CPictureCtrl m_picTip2;
    CMyButton m_btnBack;
    CMyButton m_btnNext;
    CMyButton m_btnCancel;
    CMyButton m_btnFinish;
    HWND m_listPort = nullptr;
    CPrinterInfoFile m_catalogue;
    std::wstring m_strModel;
    std::wstring m_strPort;
    CTextProgressCtrl m_progress;
    win::Font m_fontLabel;
    win::Font m_fontList;
    CDlgIsClose m_dlgClose;
    int m_nPage = 1;
    std::wstring m_strDetectedModel;
    CPictureCtrl m_picBanner;
    CPictureCtrl m_picLogo;
    HWND m_listModel = nullptr;
    bool m_bInstalling = false; // from the job's start until WM_INSTALL_DONE
    std::wstring m_preselectModel;
    std::wstring m_preselectPort;
    DWORD m_uiThread = 0;
    std::wstring m_failureCode; // the last code reported
    int m_jobResult = -1;       // -1 before the job's end, then 1 installed or 0 failed
};
