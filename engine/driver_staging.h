// Staging of the driver package: the driver files into the spooler's driver directory, the
// support folders, and the package INF into the system's INF store.
#pragma once

#include <string>

namespace engine {

// Stages the package of the running Windows from the program's directory for the model whose
// data file is `dataFileName` (model + ".GPD"). False when the driver directory is unknown, the
// driver files do not stage, or the INF cannot be staged (error code "3").
bool StageDriverPackage(const std::wstring& dataFileName);

// The same from the distribution folder `programDirectory` (without a trailing backslash).
bool StageDriverPackageFrom(const std::wstring& programDirectory, const std::wstring& dataFileName);

// Copies the listed files of sourceFolder and of every folder below it side by side into
// targetFolder (both end with a backslash). The result is that of the last maker's file or
// subfolder in enumeration order; a tree with neither gives false.
bool CopyDriverTree(const std::wstring& sourceFolder, const std::wstring& targetFolder,
                    const std::wstring& dataFileName);

// Hands the INF to the setup library, once more when it answers ERROR_NOT_FOUND. Shows error
// code "3" when the INF is not staged.
bool StageInf(const std::wstring& infPath, const std::wstring& infFolder);

} // namespace engine
