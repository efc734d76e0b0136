#include "tests/engine/job_runner.h"

#include "win/thread.h"

#include <gtest/gtest.h>

namespace testing_support {

namespace {
constexpr wchar_t kClassName[] = L"InstallJobReports";
}

JobReportWindow::JobReportWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    ::RegisterClassW(&wc);
    m_window = ::CreateWindowW(kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                               nullptr);
    ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

JobReportWindow::~JobReportWindow() {
    ::DestroyWindow(m_window);
}

LRESULT CALLBACK JobReportWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INSTALL_DONE) {
        if (auto* self =
                reinterpret_cast<JobReportWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA)))
            self->reports.push_back(lParam);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void RunInstallJob(InstallRequest* request, DWORD timeoutMs) {
    win::KernelHandle thread = win::StartThread(InstallThreadProc, request);
    ASSERT_TRUE(thread);
    const DWORD start = ::GetTickCount();
    MSG message;
    for (;;) {
        HANDLE handle = thread.Get();
        const DWORD wait = ::MsgWaitForMultipleObjects(1, &handle, FALSE, 100, QS_ALLINPUT);
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&message);
        if (wait == WAIT_OBJECT_0)
            break;
        ASSERT_LT(::GetTickCount() - start, timeoutMs) << "the job did not end";
    }
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&message);
}

} // namespace testing_support
