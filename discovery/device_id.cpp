// IEEE 1284 device ID bytes and fields.
#include "discovery/device_id.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

namespace discovery {

namespace {

constexpr std::size_t kUsbLengthFieldBytes = 2;

std::string TextBytes(const unsigned char* answer, std::size_t capacity, std::size_t received,
                      std::size_t skipped) {
    const std::size_t end = std::min(received, capacity);
    if (answer == nullptr || end <= skipped)
        return std::string();
    const char* text = reinterpret_cast<const char*>(answer) + skipped;
    const std::size_t length = end - skipped;
    const void* nul = std::memchr(text, '\0', length);
    return std::string(text, nul != nullptr ? static_cast<const char*>(nul) - text : length);
}

} // namespace

std::string UsbDeviceIdBytes(const unsigned char* answer, std::size_t capacity,
                             std::size_t received) {
    return TextBytes(answer, capacity, received, kUsbLengthFieldBytes);
}

std::string ParallelDeviceIdBytes(const unsigned char* answer, std::size_t capacity,
                                  std::size_t received) {
    return TextBytes(answer, capacity, received, 0);
}

std::wstring GetDeviceIdField(const std::wstring& id, const std::wstring& key) {
    if (key.empty())
        return std::wstring();
    const std::size_t at = id.find(key);
    if (at == std::wstring::npos)
        return std::wstring();
    const std::size_t end = id.find(L';', at);
    const std::size_t start = at + key.size();
    // A key that itself holds the ';' has no value.
    if (end == std::wstring::npos || end < start)
        return std::wstring();
    std::size_t first = start;
    while (first < end && std::iswspace(static_cast<std::wint_t>(id[first])))
        ++first;
    return id.substr(first, end - first);
}

std::wstring ModelOfDeviceId(const std::wstring& id) {
    if (GetDeviceIdField(id, L"MFG:").empty())
        return std::wstring();
    return GetDeviceIdField(id, L"MDL:");
}

bool CopyToBuffer(const std::wstring& text, wchar_t* buffer, std::size_t capacity) {
    if (buffer == nullptr || capacity == 0)
        return false;
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), length, buffer);
    buffer[length] = L'\0';
    return true;
}

} // namespace discovery
