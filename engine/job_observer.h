// What the install job tells whoever started it, beside the log: each step it took with the
// system's answer, and the one-character code of a failure. The engine shows nothing itself; the
// wizard shows the error dialog, the unattended run writes its report.
#pragma once

#include <string>

namespace engine {

class JobObserver {
public:
    virtual ~JobObserver() = default;
    // A system call the job made, with its error (0 when it succeeded). Called on the thread that
    // made the call.
    virtual void OnStep(const std::wstring& step, unsigned long error) = 0;
    // The job failed with this code ("1".."7"). The observer decides how the user learns of it.
    virtual void OnFailure(const std::wstring& code) = 0;
};

// Process-wide; nullptr for none. Whoever sets it keeps it alive until it sets another.
void SetJobObserver(JobObserver* observer);

// A failure with its code. The log always receives "安装失败 错误代码：<code>"; the observer, when
// there is one, is told next.
void ReportFailure(const std::wstring& code);

// Tells the observer of one step; the install log's step records call it.
void ReportStep(const std::wstring& step, unsigned long error);

} // namespace engine
