// The runs started with arguments: the silent install, the removal, the pre-flight and the usage.
// Each returns the process's exit code.
#pragma once

#include "engine/job_observer.h"
#include "unattended/command_line.h"
#include "unattended/report.h"

#include <mutex>

#include <string>
#include <vector>

namespace unattended {

// Hears the job's steps and failures for the report; the job may report from any thread. Set as
// the job's observer while it lives.
class ReportRecorder : public engine::JobObserver {
public:
    ReportRecorder() { engine::SetJobObserver(this); }
    ~ReportRecorder() override { engine::SetJobObserver(nullptr); }
    ReportRecorder(const ReportRecorder&) = delete;
    ReportRecorder& operator=(const ReportRecorder&) = delete;

    void OnStep(const std::wstring& step, unsigned long error) override;
    void OnFailure(const std::wstring& code) override;
    std::wstring Code() const;             // the first failure code; empty when none
    std::vector<ReportStep> Steps() const; // in the order they ran

private:
    mutable std::mutex m_mutex;
    std::wstring m_code;
    std::vector<ReportStep> m_steps;
};

// One run from its start: the report it fills, the administrator's copy of the log, and its end.
class RunRecord {
public:
    explicit RunRecord(const Options& options);
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    Report& report() { return m_report; }
    // The first failure code the job reported; empty when none.
    std::wstring FailureCode() const { return m_recorder.Code(); }

    // Ends the run: the outcome (and the message, when there is one) in the log, the report
    // written when one was asked for. Returns the exit code, 1603 instead of 0 when the report
    // cannot be written.
    int Finish(const std::wstring& result, int exitCode, const std::wstring& message = L"");
    // The same for a run of the wizard, from the wizard's exit code.
    int FinishWizard(int exitCode);

private:
    const Options& m_options;
    unsigned long long m_started;
    Report m_report;
    ReportRecorder m_recorder;
};

// The program's command line split as Windows splits it, without the program's name.
std::vector<std::wstring> ProgramArguments();

// Everything after the command line was read: the run it asks for. `parsed` may carry an error;
// `alreadyRunning` says another copy holds the installer's lock (the wizard mode brings that copy
// forward itself and does not come here).
int RunCommandLine(const ParsedCommandLine& parsed, bool alreadyRunning);

} // namespace unattended
