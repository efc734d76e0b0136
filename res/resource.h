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
