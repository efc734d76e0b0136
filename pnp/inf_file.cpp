#include "pnp/inf_file.h"

#include "engine/package_locator.h"
#include "win/handle.h"
#include "win/text.h"

namespace {

// Driver INFs are kilobytes; anything beyond this is not one.
constexpr LONGLONG kMaxInfBytes = 64LL * 1024 * 1024;

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    win::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxInfBytes)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &read,
                        nullptr) ||
            read == 0)
            break;
        done += read;
    }
    bytes.resize(done);
    return true;
}

std::wstring Utf8ToWide(const char* data, size_t length) {
    if (length == 0)
        return std::wstring();
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, data, static_cast<int>(length), nullptr, 0);
    std::wstring out(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, data, static_cast<int>(length), &out[0], size);
    return out;
}

} // namespace

std::wstring DecodeInfText(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        }
        return text;
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return Utf8ToWide(bytes.data() + 3, bytes.size() - 3);
    // The ANSI code page, line by line, so that a NUL byte only ends its own line's text.
    std::wstring text;
    size_t start = 0;
    while (start <= bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        text += win::FromAnsi(bytes.data() + start, end - start);
        if (end < bytes.size())
            text += L'\n';
        start = end + 1;
    }
    return text;
}

bool CInfFileHelper::Open(const std::wstring& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return false;
    m_file = pnp::InfLines(pnp::SplitLines(DecodeInfText(bytes)));
    return true;
}

BOOL CInfFileHelper::FindSection(const std::wstring& header, BOOL noRewind) {
    return m_file.FindSection(header, noRewind != FALSE) ? TRUE : FALSE;
}

BOOL CInfFileHelper::ReadManufacturers(std::vector<std::wstring>& entries) {
    return m_file.CollectSection(pnp::kManufacturerHeader, L'=', entries) ? TRUE : FALSE;
}

BOOL CInfFileHelper::ReadModelHardwareIds(const std::wstring&, std::vector<std::wstring>& ids) {
    const bool native64 = engine::IsNative64Bit();
    return m_file.CollectSection(pnp::ModelSectionHeader(native64), L',', ids) ? TRUE : FALSE;
}

BOOL CInfFileHelper::ReadSectionEntries(const std::wstring& header,
                                        std::vector<pnp::InfEntry>& entries) {
    return m_file.CollectEntries(header, L'=', entries) ? TRUE : FALSE;
}
