// Which package files are staged into the spooler's driver directory, and how. No Windows calls.
#pragma once

#include <string>
#include <vector>

namespace engine {

// Files of the OLI emulation plug-in, staged and registered for models whose data file name
// contains "OLI" (case-sensitive).
constexpr wchar_t kOliPluginFiles[] = L"OemPrUni.dll;OemPR.ini;";
bool UsesOliPlugin(const std::wstring& dataFileName);

// ASCII letters to lower case, the way the file lists and file names are compared.
std::wstring LowerAscii(std::wstring text);

// The two ";"-terminated file lists, lower-cased: every file that belongs in the driver
// directory, and the maker's own files among them. Both carry the OLI plug-in (when the data file
// name asks for it) and the data file name itself.
struct StagingLists {
    std::wstring driverFiles;
    std::wstring makerFiles;
};
StagingLists BuildStagingLists(const std::wstring& dataFileName);

// The maker's files of the model whose data file is `dataFileName`, spelled as listed, in list
// order: the maker's own files, the OLI plug-in when the data file name asks for it, and the data
// file itself.
std::vector<std::wstring> MakerFileNames(const std::wstring& dataFileName);

// Every file staged into the driver directory for the model whose data file is `dataFileName`,
// spelled as listed, in list order: the platform's Unidrv files and the maker's.
std::vector<std::wstring> DriverFileNames(const std::wstring& dataFileName);

// True when the lower-cased file name occurs anywhere in the lower-cased list text: a plain
// substring search, so "res.dll" belongs to a list naming "QTLM24RES.DLL".
bool ListMentions(const std::wstring& lowerList, const std::wstring& fileName);

enum class StagingAction {
    Skip,          // on neither list: stays in the package
    CopyIfMissing, // a platform file: copied only when the driver directory lacks it
    CopyChecked,   // a maker's file: copied or replaced, and its outcome counts
};
StagingAction StagingActionFor(const StagingLists& lists, const std::wstring& fileName);

// The maker's files a package must hold for the driver to work: every name of the maker's list
// (the OLI plug-in when the data file name asks for it, and the data file itself), lower-cased,
// in list order, that is not among foundFiles. Names are compared whole and without regard to
// the case of ASCII letters.
std::vector<std::wstring> MissingMakerFiles(const StagingLists& lists,
                                            const std::vector<std::wstring>& foundFiles);

} // namespace engine
