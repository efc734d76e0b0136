// Move-only owners for kernel handles and other handle kinds, one template with a close policy.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

template <typename T, typename Traits> class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T handle) : m_handle(handle) {}
    ~UniqueHandle() { Close(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Detach()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            Attach(other.Detach());
        return *this;
    }

    T Get() const { return m_handle; }
    bool IsValid() const { return Traits::IsValid(m_handle); }
    explicit operator bool() const { return IsValid(); }

    void Attach(T handle) {
        Close();
        m_handle = handle;
    }
    T Detach() { return std::exchange(m_handle, Traits::Invalid()); }
    void Close() {
        if (Traits::IsValid(m_handle))
            Traits::Close(m_handle);
        m_handle = Traits::Invalid();
    }

private:
    T m_handle = Traits::Invalid();
};

// CreateFile's failure value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
using FileHandle = UniqueHandle<HANDLE, FileHandleTraits>;

// Threads, events and processes fail with NULL.
struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;

struct RegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static bool IsValid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
using RegKey = UniqueHandle<HKEY, RegKeyTraits>;

// Service control manager and service handles.
struct ServiceHandleTraits {
    static SC_HANDLE Invalid() { return nullptr; }
    static bool IsValid(SC_HANDLE h) { return h != nullptr; }
    static void Close(SC_HANDLE h) { ::CloseServiceHandle(h); }
};
using ServiceHandle = UniqueHandle<SC_HANDLE, ServiceHandleTraits>;

} // namespace win
