// One unattended run's record: the steps and failures the job reports, the report it fills, the
// administrator's copy of the log, and its end with the exit code.
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

// Creates the folder of `path` and the folders above it where missing. False (with the last error)
// when the folder cannot be made; true for a path without a folder.
bool CreateFolderOf(const std::wstring& path);

// Called when the report's new file is written and flushed, before it is moved over the report;
// returning false ends the writing there, as if the process had been ended (the new file stays,
// the report is not replaced). nullptr removes the hook.
void SetReportMoveHookForTesting(bool (*hook)(const std::wstring& temporaryFile));

} // namespace unattended
