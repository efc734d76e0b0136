// Windows protected print mode (Windows 11 24H2 and later): when it is on, Windows removes the
// printers of third-party drivers, refuses to install such drivers and loads no new monitor DLL.
// Windows documents no error code for a refused step, so the installer looks before it acts.
#pragma once

#include <windows.h>

#include <string>

namespace engine {

// The policy that turns the mode on, under HKEY_LOCAL_MACHINE; a DWORD, on when not 0.
constexpr wchar_t kProtectedPrintPolicyKey[] =
    L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
constexpr wchar_t kProtectedPrintPolicyValue[] = L"WindowsProtectedPrintGroupPolicyState";

// The system's own answer: Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo's
// IsProtectedPrintEnabled, loaded at run time. S_OK with *enabled set, or a failure where Windows
// has no such class (before Windows 11 24H2, and Wine).
struct ProtectedPrintApi {
    HRESULT (*IsProtectedPrintEnabled)(bool* enabled);
};

struct ProtectedPrintState {
    bool enabled = false;
    std::wstring how; // what told: "Windows", "policy", or what was asked when it is off
};

// Asks the system and reads the policy; on when either says so.
ProtectedPrintState ProtectedPrintMode();

// The text an administrator is shown, and the log and report get, when the mode is on.
constexpr wchar_t kProtectedPrintText[] =
    L"Windows 受保护的打印模式已开启，不能安装第三方打印机驱动。"
    L"本安装程序没有改动这台电脑。请联系管理员。";

// Replaces the system's answer for the calling test; nullptr restores it.
void SetProtectedPrintForTesting(const ProtectedPrintApi* api);

} // namespace engine
