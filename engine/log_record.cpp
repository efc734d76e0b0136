#include "engine/log_record.h"

#include "engine/staging_lists.h"

namespace engine {

std::wstring FormatLogTimestamp(const LogTime& t) {
    using std::to_wstring;
    return L"     " + to_wstring(t.day) + L"-" + to_wstring(t.month) + L"-" + to_wstring(t.year) +
           L"," + to_wstring(t.hour) + L":" + to_wstring(t.minute) + L":" + to_wstring(t.second) +
           L":" + to_wstring(t.millisecond) + L" \r\n";
}

std::wstring FormatLogRecord(const std::wstring& text, bool withLastError, std::uint32_t error,
                             const std::wstring& systemText, const std::wstring& stamp) {
    if (!withLastError)
        return text + stamp;
    // Error codes are written as signed 32-bit numbers, so the setup library's 0xE000xxxx codes
    // appear negative, as support staff are used to seeing them.
    const std::wstring code = std::to_wstring(static_cast<std::int32_t>(error));
    if (error == 0)
        return text + L" succeed:  " + code + L": " + systemText + stamp;
    return text + L" failed with error " + code + L": " + systemText + stamp;
}

std::wstring LogFileName(int number) {
    return L"Log(" + std::to_wstring(number) + L").txt";
}

std::wstring InstallLogFolderOf(const std::wstring& base) {
    std::wstring folder = base;
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    if (folder.empty())
        return std::wstring();
    return folder + L"\\Velmora科技有限公司\\";
}

namespace {

std::wstring FoldedFolder(const std::wstring& path) {
    std::wstring folded = LowerAscii(path);
    for (wchar_t& c : folded)
        if (c == L'/')
            c = L'\\';
    while (!folded.empty() && folded.back() == L'\\')
        folded.pop_back();
    return folded;
}

} // namespace

bool IsPathInFolder(const std::wstring& path, const std::wstring& folder) {
    const std::wstring p = FoldedFolder(path);
    const std::wstring f = FoldedFolder(folder);
    if (f.empty() || p.size() < f.size() || p.compare(0, f.size(), f) != 0)
        return false;
    return p.size() == f.size() || p[f.size()] == L'\\';
}

std::wstring InstallLogFolderFor(const LogPlaces& places) {
    const bool usersDocuments = !places.machineWide && places.documentsExists &&
                                !InstallLogFolderOf(places.documents).empty() &&
                                !IsPathInFolder(places.documents, places.windowsFolder);
    return InstallLogFolderOf(usersDocuments ? places.documents : places.programData);
}

} // namespace engine
