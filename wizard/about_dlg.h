// The about box opened from the wizard's system menu.
#pragma once

#include "res/resource.h"
#include "win/window.h"

class CAboutDlg : public win::Dialog {
public:
    CAboutDlg() : win::Dialog(IDD_ABOUTBOX) {}
};
