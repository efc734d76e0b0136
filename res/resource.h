// Resource identifiers of Setup.exe: dialog templates and their items.
#pragma once

#define IDD_SETUP 102
#define IDD_IS_CLOSE 161
#define IDD_MES_ERROR 165

// Close confirmation
#define IDC_IS_CLOSE_NO 1022
#define IDC_IS_CLOSE_YES 1023
#define IDC_IS_CLOSE_QUESTION 1024

// Error dialog
#define IDC_MES_ERROR_OK 1025
#define IDC_MES_ERROR_PICTURE 1026

// About box and its system-menu item
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDM_ABOUTBOX 0x0010

// Wizard items
#define IDC_TIP1 1000
#define IDC_TIP2 1004
#define IDC_BACK 1007
#define IDC_NEXT 1008
#define IDC_CANCEL_SETUP 1009
#define IDC_PORT_LIST 1010
#define IDC_PROGRESS 1013
#define IDC_FINISH 1027
#define IDC_BANNER 1029
#define IDC_LOGO 1030
#define IDC_MODEL_LIST 1031

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
