// Stands where the wizard or the unattended run stands while code under test runs: records each
// failure code and each step the engine reports, on whatever thread.
#pragma once

#include "engine/job_observer.h"

#include <mutex>
#include <string>
#include <vector>

namespace testing_support {

class FailureRecorder : public engine::JobObserver {
public:
    FailureRecorder();
    ~FailureRecorder() override;
    FailureRecorder(const FailureRecorder&) = delete;
    FailureRecorder& operator=(const FailureRecorder&) = delete;

    // The failure codes reported so far, in order.
    std::vector<std::wstring> Codes() const;
    // The steps reported so far, in order, each with its error.
    std::vector<std::pair<std::wstring, unsigned long>> Steps() const;

    void OnStep(const std::wstring& step, unsigned long error) override;
    void OnFailure(const std::wstring& code) override;

private:
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_codes;
    std::vector<std::pair<std::wstring, unsigned long>> m_steps;
};

} // namespace testing_support
