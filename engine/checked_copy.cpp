// Copying one file into place with compare-and-replace rules.
#include "engine/checked_copy.h"

#include "engine/install_log.h"
#include "engine/job_observer.h"
#include "engine/staging_api.h"
#include "win/handle.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace engine {

namespace {

// Both files are read side by side in chunks of this size: fresh memory is dear (every new page
// is a fault), and two small buffers serve files of any size.
constexpr DWORD kChunk = 64 * 1024;

// Reads up to `size` bytes; false unless exactly `size` were read.
bool ReadExactly(HANDLE file, char* buffer, DWORD size) {
    DWORD total = 0;
    while (total < size) {
        DWORD read = 0;
        if (!::ReadFile(file, buffer + total, size - total, &read, nullptr) || read == 0)
            return false;
        total += read;
    }
    return true;
}

bool FileSize(HANDLE file, LONGLONG& size) {
    LARGE_INTEGER value{};
    if (!::GetFileSizeEx(file, &value))
        return false;
    size = value.QuadPart;
    return true;
}

} // namespace

void ClearReadOnly(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool FilesIdentical(const std::wstring& source, const std::wstring& target) {
    // The target is opened with full sharing (the spooler may hold it open); the source only
    // for other readers, so that it cannot change meanwhile (and the two may be one file).
    const win::FileHandle targetFile(
        ::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const win::FileHandle sourceFile(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                   nullptr, OPEN_EXISTING,
                                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LONGLONG size = 0, sourceSize = 0;
    if (!targetFile || !sourceFile || !FileSize(targetFile.Get(), size) ||
        !FileSize(sourceFile.Get(), sourceSize) || size != sourceSize)
        return false;
    // The first difference ends the comparison.
    std::vector<char> targetChunk(kChunk), sourceChunk(kChunk);
    for (LONGLONG left = size; left > 0;) {
        const DWORD want = left < kChunk ? static_cast<DWORD>(left) : kChunk;
        if (!ReadExactly(targetFile.Get(), targetChunk.data(), want) ||
            !ReadExactly(sourceFile.Get(), sourceChunk.data(), want) ||
            std::memcmp(targetChunk.data(), sourceChunk.data(), want) != 0)
            return false;
        left -= want;
    }
    return true;
}

namespace {

bool CopyFileInto(const std::wstring& source, const std::wstring& target) {
    const StagingApi& api = Staging();
    if (api.CopyFileW(source.c_str(), target.c_str(), TRUE))
        return true;
    if (::GetLastError() != ERROR_FILE_EXISTS) {
        WriteInstallLog(L"CopyFile " + target, true);
        ReportFailure(L"2");
        return false;
    }
    if (FilesIdentical(source, target))
        return true;
    if (api.CopyFileW(source.c_str(), target.c_str(), FALSE))
        return true;
    const DWORD error = ::GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) {
        // A full disk, say: no retry can mend it.
        WriteInstallLog(L"CopyFile " + target, true);
        ReportFailure(L"2");
        return false;
    }

    // A read-only target refuses the overwrite: clear the attribute and try once more. A busy
    // target may have been released meanwhile.
    ClearReadOnly(target);
    if (api.CopyFileW(source.c_str(), target.c_str(), FALSE))
        return true;
    WriteInstallLog(L"CopyFile " + target, true);
    ReportFailure(L"2");
    return false;
}

} // namespace

bool CopyFileChecked(const std::wstring& source, const std::wstring& target) {
    if (!CopyFileInto(source, target))
        return false;
    // A copy takes the source's attributes: from a CD, an ISO or a read-only share every file
    // would stay read-only, and the next update could not replace it.
    ClearReadOnly(target);
    return true;
}

} // namespace engine
