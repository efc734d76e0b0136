#include "engine/printer_info_file.h"

#include "engine/catalogue_text.h"
#include "engine/install_log.h"
#include "engine/model_names.h"
#include "engine/package_locator.h"
#include "win/handle.h"

#include <windows.h>

CPrinterInfoFile::CPrinterInfoFile() : iniPath(engine::GetCataloguePath()) {}

int CPrinterInfoFile::ReadModels(std::wstring section, std::wstring* entries, int capacity,
                                 int* declared) const {
    const engine::ReadableCatalogue readable(iniPath);
    const std::wstring& path = readable.Path();
    const int count =
        static_cast<int>(::GetPrivateProfileIntW(section.c_str(), L"Counts", 0, path.c_str()));
    if (declared != nullptr)
        *declared = count;
    const int n = count < 0 ? 0 : (count > capacity ? capacity : count);
    wchar_t buffer[128];
    for (int i = 0; i < n; ++i) {
        buffer[0] = L'\0';
        ::GetPrivateProfileStringW(section.c_str(), std::to_wstring(i).c_str(), nullptr, buffer,
                                   128, path.c_str());
        buffer[127] = L'\0';
        entries[i] = buffer;
    }
    return n;
}

namespace engine {

namespace {

// A catalogue is a small text file; one far beyond this is not read whole, and is left to the
// profile functions as it is.
constexpr LONGLONG kLargestDecodedCatalogue = 64LL * 1024 * 1024;

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    const win::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLargestDecodedCatalogue)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD total = 0;
    while (total < bytes.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), &bytes[total], static_cast<DWORD>(bytes.size() - total), &read,
                        nullptr) ||
            read == 0)
            return false;
        total += read;
    }
    return true;
}

// A new file in the temporary folder holding `bytes`; "" when it cannot be made.
std::wstring WriteTemporaryCopy(const std::string& bytes) {
    wchar_t folder[MAX_PATH + 1] = L"";
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    wchar_t path[MAX_PATH] = L"";
    if (length == 0 || length > MAX_PATH || !::GetTempFileNameW(folder, L"cat", 0, path))
        return std::wstring();
    bool written = false;
    {
        const win::FileHandle file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_TEMPORARY, nullptr));
        DWORD done = 0;
        written = file &&
                  ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done,
                              nullptr) &&
                  done == bytes.size();
    }
    if (!written) {
        ::DeleteFileW(path);
        return std::wstring();
    }
    return path;
}

} // namespace

ReadableCatalogue::ReadableCatalogue(const std::wstring& path) : m_path(path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes) || DetectTextEncoding(bytes) != TextEncoding::Utf8)
        return;
    std::wstring text;
    if (DecodeUtf8(bytes, text))
        m_copy = WriteTemporaryCopy(Utf16LeFileBytes(text));
}

ReadableCatalogue::~ReadableCatalogue() {
    if (!m_copy.empty())
        ::DeleteFileW(m_copy.c_str());
}

bool LoadCatalogueModels(const CPrinterInfoFile& catalogue, const std::wstring& section,
                         int capacity, std::vector<std::wstring>& models) {
    models.clear();
    const std::wstring& path = catalogue.iniPath;
    if (!IsReadableCataloguePath(path)) {
        WriteInstallLog(L"产品目录的路径过长或不在文件夹中：" + path, false);
        return false;
    }
    {
        const win::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            WriteInstallLog(L"打开产品目录 " + path, true);
            return false;
        }
    }
    std::vector<std::wstring> entries(static_cast<size_t>(capacity));
    int declared = 0;
    const int n = catalogue.ReadModels(section, entries.data(), capacity, &declared);
    entries.resize(static_cast<size_t>(n));
    const OfferedModels offered = SelectOfferedModels(entries);
    if (declared <= 0 || (offered.names.empty() && offered.leftOut.empty())) {
        WriteInstallLog(L"产品目录中没有 [" + section + L"] 的型号（Counts=" +
                            std::to_wstring(declared) + L"）：" + path,
                        false);
        return false;
    }
    if (declared > capacity)
        WriteInstallLog(ModelsBeyondCapacityText(declared, capacity), false);
    for (const LeftOutModel& model : offered.leftOut)
        WriteInstallLog(LeftOutModelText(model), false);
    models = offered.names;
    return true;
}

} // namespace engine
