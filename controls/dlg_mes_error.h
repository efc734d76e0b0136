// The error dialog: "安装失败", the error code and two lines of advice, closed by "确认".
#pragma once

#include "controls/my_button.h"
#include "controls/picture_ctrl.h"
#include "win/gdi.h"
#include "win/window.h"

#include <string>

class CDlgMesError : public win::Dialog {
public:
    CDlgMesError();

    std::wstring m_strError;

protected:
    void BindControls() override;
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void Paint(HDC dc);

    CMyButton m_btnOk;
    CPictureCtrl m_picture;
    win::Font m_fontText;
};

// Shows the error dialog with `code` modally on the calling thread and returns when the user has
// closed it (the code reaches the log through engine::ReportFailure). Any thread may call it. A
// window of the calling thread that shows it passes itself as `owner`, which stays disabled until
// the dialog is closed; the install job's dialogs have none.
void ShowErrorDialog(const std::wstring& code, HWND owner = nullptr);
