#include "tests/support/failure_recorder.h"

namespace testing_support {

FailureRecorder::FailureRecorder() {
    engine::SetJobObserver(this);
}

FailureRecorder::~FailureRecorder() {
    engine::SetJobObserver(nullptr);
}

std::vector<std::wstring> FailureRecorder::Codes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_codes;
}

std::vector<std::pair<std::wstring, unsigned long>> FailureRecorder::Steps() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_steps;
}

void FailureRecorder::OnStep(const std::wstring& step, unsigned long error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_steps.emplace_back(step, error);
}

void FailureRecorder::OnFailure(const std::wstring& code) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_codes.push_back(code);
}

} // namespace testing_support
