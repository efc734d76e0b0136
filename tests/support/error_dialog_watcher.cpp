#include "tests/support/error_dialog_watcher.h"

#include "res/resource.h"

namespace testing_support {

namespace {

const wchar_t kTitlePrefix[] = L"安装失败 错误代码：";

struct Found {
    DWORD process;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectErrorDialogs(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<Found*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == found->process && ::IsWindowVisible(window) &&
        ::GetDlgItem(window, IDC_MES_ERROR_OK) != nullptr)
        found->windows.push_back(window);
    return TRUE;
}

} // namespace

ErrorDialogWatcher::ErrorDialogWatcher() : m_thread([this] { Run(); }) {}

ErrorDialogWatcher::~ErrorDialogWatcher() {
    m_stop = true;
    m_thread.join();
}

std::vector<std::wstring> ErrorDialogWatcher::Codes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_codes;
}

void ErrorDialogWatcher::Run() {
    while (!m_stop) {
        Found found{::GetCurrentProcessId(), {}};
        ::EnumWindows(CollectErrorDialogs, reinterpret_cast<LPARAM>(&found));
        for (HWND dialog : found.windows) {
            wchar_t title[256] = L"";
            ::GetWindowTextW(dialog, title, 256);
            std::wstring code = title;
            const size_t prefix = sizeof(kTitlePrefix) / sizeof(wchar_t) - 1;
            if (code.compare(0, prefix, kTitlePrefix) != 0)
                continue;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                bool seen = false;
                for (HWND w : m_answered)
                    seen = seen || w == dialog;
                if (seen)
                    continue;
                m_answered.push_back(dialog);
                m_codes.push_back(code.substr(prefix));
            }
            ::PostMessageW(::GetDlgItem(dialog, IDC_MES_ERROR_OK), BM_CLICK, 0, 0);
        }
        ::Sleep(20);
    }
}

} // namespace testing_support
