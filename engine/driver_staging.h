// Staging of the driver package: the driver files into the spooler's driver directory, the
// support folders, and the package INF into the system's INF store.
#pragma once

#include <string>

namespace engine {

// Stages the package of the running Windows from the program's directory for the model whose
// data file is `dataFileName` (model + ".GPD"). False when the driver directory is unknown or the
// driver files do not stage (error code "2"), or the INF cannot be staged (error code "3"); every
// failure has reported its code.
bool StageDriverPackage(const std::wstring& dataFileName);

// The same from the distribution folder `programDirectory` (without a trailing backslash).
bool StageDriverPackageFrom(const std::wstring& programDirectory, const std::wstring& dataFileName);

// Copies the listed files of sourceFolder and of every folder below it side by side into
// targetFolder (both end with a backslash). True only when every maker's file copied and the
// tree holds all of the maker's files; otherwise error code "2" has been reported (by the failed
// copy, or for the missing files) and the result is false. The copying goes on after a failed
// file; then the files this call created are deleted again, so a failed copy leaves the target
// folder as it found it.
bool CopyDriverTree(const std::wstring& sourceFolder, const std::wstring& targetFolder,
                    const std::wstring& dataFileName);

// Hands the INF to the setup library, once more when it answers ERROR_NOT_FOUND. Reports error
// code "3" when the INF is not staged.
bool StageInf(const std::wstring& infPath, const std::wstring& infFolder);

} // namespace engine
