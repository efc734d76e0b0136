#include "engine/job_observer.h"

#include "engine/install_log.h"

#include <atomic>

namespace engine {

namespace {

std::atomic<JobObserver*> g_observer{nullptr};

} // namespace

void SetJobObserver(JobObserver* observer) {
    g_observer.store(observer);
}

void ReportFailure(const std::wstring& code) {
    // Every code is in the log for support staff, however the user is told of it.
    WriteInstallLog(L"安装失败 错误代码：" + code, false);
    if (JobObserver* observer = g_observer.load())
        observer->OnFailure(code);
}

void ReportStep(const std::wstring& step, unsigned long error) {
    if (JobObserver* observer = g_observer.load())
        observer->OnStep(step, error);
}

} // namespace engine
