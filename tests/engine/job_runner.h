// Running the install job as the wizard does: on a worker thread, reporting to a window of the
// test whose thread pumps messages meanwhile.
#pragma once

#include "job/install_job.h"

#include <windows.h>

#include <vector>

namespace testing_support {

// A message-only window that records every WM_INSTALL_DONE it receives.
class JobReportWindow {
public:
    JobReportWindow();
    ~JobReportWindow();
    JobReportWindow(const JobReportWindow&) = delete;
    JobReportWindow& operator=(const JobReportWindow&) = delete;
    HWND Get() const { return m_window; }

    std::vector<LPARAM> reports; // lParam of each report, in order

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_window = nullptr;
};

// Starts InstallThreadProc(request) and pumps this thread's messages until the job has ended,
// then drains the queue so that a second report would be seen. A job that does not end within
// the time-out fails the calling test.
void RunInstallJob(InstallRequest* request, DWORD timeoutMs = 60000);

} // namespace testing_support
