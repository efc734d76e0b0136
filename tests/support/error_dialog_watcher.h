// Answers the error dialogs that code under test shows, on whatever thread, as a user would:
// records each dialog's code and clicks its "确认" button.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class ErrorDialogWatcher {
public:
    ErrorDialogWatcher();
    ~ErrorDialogWatcher();
    ErrorDialogWatcher(const ErrorDialogWatcher&) = delete;
    ErrorDialogWatcher& operator=(const ErrorDialogWatcher&) = delete;

    // The codes of the dialogs answered so far, in order.
    std::vector<std::wstring> Codes() const;

private:
    void Run();
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_codes;
    std::vector<HWND> m_answered;
    std::thread m_thread;
};

} // namespace testing_support
