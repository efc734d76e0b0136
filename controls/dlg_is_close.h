// The close confirmation: "是否要退出安装?" with the image buttons "是" and "否".
#pragma once

#include "controls/my_button.h"
#include "controls/picture_ctrl.h"
#include "win/window.h"

// DoModal returns IDOK for "是" (quit) and IDCANCEL for "否", Escape or a close.
class CDlgIsClose : public win::Dialog {
public:
    CDlgIsClose();

protected:
    void BindControls() override;
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    bool PreTranslateMessage(const MSG& message) override;

private:
    CMyButton m_btnYes;
    CMyButton m_btnNo;
    CPictureCtrl m_picQuestion;
};
