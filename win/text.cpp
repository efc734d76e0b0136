#include "win/text.h"

#include <windows.h>

#include <climits>
#include <cstring>

namespace win {

std::string ToAnsi(const std::wstring& text) {
    return ToCodePage(text, CP_ACP);
}

std::string ToCodePage(const std::wstring& text, unsigned codePage) {
    if (text.empty() || text.size() > INT_MAX)
        return std::string();
    int wide = static_cast<int>(text.size());
    int size = ::WideCharToMultiByte(codePage, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), wide, &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring FromAnsi(const char* bytes, size_t length) {
    if (bytes == nullptr)
        return std::wstring();
    const void* nul = std::memchr(bytes, 0, length);
    if (nul != nullptr)
        length = static_cast<size_t>(static_cast<const char*>(nul) - bytes);
    if (length == 0 || length > INT_MAX)
        return std::wstring();
    int narrow = static_cast<int>(length);
    int size = ::MultiByteToWideChar(CP_ACP, 0, bytes, narrow, nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes, narrow, &out[0], size);
    return out;
}

} // namespace win
