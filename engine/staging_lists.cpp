// Which package files are staged into the spooler's driver directory, and how.
#include "engine/staging_lists.h"

#include <algorithm>

namespace engine {

namespace {

const wchar_t kDriverFiles[] =
    L"QTLM24RES.DLL;STDNAMES.GPD;unidrv.hlp;unidrvui.dll;unidrv.dll;unires.dll;STDDTYPE.GDL;"
    L"STDSCHEM.GDL;STDSCHMX.GDL;PrnSet.ini;PrnSetUI.dll;PrnSetUni.dll;QVMLMN.dll;";
const wchar_t kMakerFiles[] = L"QTLM24RES.DLL;QVMLMN.dll;PrnSet.ini;PrnSetUI.dll;";

} // namespace

bool UsesOliPlugin(const std::wstring& dataFileName) {
    return dataFileName.find(L"OLI") != std::wstring::npos;
}

std::wstring LowerAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

StagingLists BuildStagingLists(const std::wstring& dataFileName) {
    std::wstring additions;
    if (UsesOliPlugin(dataFileName))
        additions += kOliPluginFiles;
    additions += dataFileName + L";";
    return StagingLists{LowerAscii(kDriverFiles + additions), LowerAscii(kMakerFiles + additions)};
}

namespace {

std::vector<std::wstring> SplitList(const std::wstring& list) {
    std::vector<std::wstring> names;
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = list.find(L';', start);
        if (end == std::wstring::npos)
            end = list.size();
        if (end > start)
            names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::wstring WithModelFiles(std::wstring list, const std::wstring& dataFileName) {
    if (UsesOliPlugin(dataFileName))
        list += kOliPluginFiles;
    return list + dataFileName + L";";
}

} // namespace

std::vector<std::wstring> MakerFileNames(const std::wstring& dataFileName) {
    return SplitList(WithModelFiles(kMakerFiles, dataFileName));
}

std::vector<std::wstring> DriverFileNames(const std::wstring& dataFileName) {
    return SplitList(WithModelFiles(kDriverFiles, dataFileName));
}

bool ListMentions(const std::wstring& lowerList, const std::wstring& fileName) {
    return !fileName.empty() && lowerList.find(LowerAscii(fileName)) != std::wstring::npos;
}

StagingAction StagingActionFor(const StagingLists& lists, const std::wstring& fileName) {
    if (!ListMentions(lists.driverFiles, fileName))
        return StagingAction::Skip;
    return ListMentions(lists.makerFiles, fileName) ? StagingAction::CopyChecked
                                                    : StagingAction::CopyIfMissing;
}

std::vector<std::wstring> MissingMakerFiles(const StagingLists& lists,
                                            const std::vector<std::wstring>& foundFiles) {
    std::vector<std::wstring> found;
    for (const std::wstring& name : foundFiles)
        found.push_back(LowerAscii(name));
    std::vector<std::wstring> missing;
    const std::wstring& list = lists.makerFiles;
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = list.find(L';', start);
        if (end == std::wstring::npos)
            end = list.size();
        const std::wstring name = list.substr(start, end - start);
        if (!name.empty() && std::find(found.begin(), found.end(), name) == found.end())
            missing.push_back(name);
        start = end + 1;
    }
    return missing;
}

} // namespace engine
