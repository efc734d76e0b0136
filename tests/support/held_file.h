// A file held open by the test without sharing, as the spooler holds a driver file in use or
// another program holds a file.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

class HeldFile {
public:
    explicit HeldFile(const std::wstring& path)
        : m_handle(
              ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldFile() {
        if (m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool IsHeld() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

} // namespace testing_support
