// The printer driver's dependent files as the spooler takes them.
#include "engine/dependent_files.h"

#include "engine/staging_lists.h"

namespace engine {

std::wstring DependentFileText(const std::wstring& dataFileName) {
    std::wstring text =
        L"QTLM24RES.DLL;STDNAMES.GPD;unires.dll;PrnSet.ini;PrnSetUI.dll;PrnSetUni.dll;";
    if (UsesOliPlugin(dataFileName))
        text += kOliPluginFiles;
    return text;
}

std::vector<wchar_t> ToNameList(const std::wstring& text, std::size_t capacity) {
    if (capacity < 2)
        capacity = 2;
    std::vector<wchar_t> list(capacity, L'\0');
    std::size_t at = 0;
    std::size_t start = 0;
    for (std::size_t end = text.find(L';'); end != std::wstring::npos;
         start = end + 1, end = text.find(L';', start)) {
        const std::size_t length = end - start;
        if (length == 0)
            continue; // an empty name would end the list early
        // The name, its NUL and the closing empty name must fit.
        if (at + length + 2 > capacity)
            break;
        text.copy(&list[at], length, start);
        at += length + 1;
    }
    return list;
}

} // namespace engine
