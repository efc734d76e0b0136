// Helpers of the staging, registration and service tests: the package of this test process's
// architecture, snapshots of system folders so a test removes exactly what it added, the install
// log's new records, and the Spooler service put back as a test found it.
#pragma once

#include "tests/support/held_file.h"

#include <windows.h>

#include <string>
#include <vector>

namespace installer_tests {

// The dist package of this Windows, the one the installer stages: X64 on 64-bit Windows, i386 on
// 32-bit Windows, whatever the test's own bitness. Without trailing backslash.
std::wstring NativePackageFolder();

// The spooler's driver directory (no trailing backslash); empty when the spooler cannot tell.
std::wstring DriverDirectory();

// The system's INF folder, C:\windows\inf.
std::wstring SystemInfFolder();

// Copies a folder tree (no trailing backslashes), creating the target folders.
bool CopyTree(const std::wstring& from, const std::wstring& to);

// Names of the entries directly in a folder, in the file system's enumeration order.
std::vector<std::wstring> EnumerationOrder(const std::wstring& folder);

// Remembers the entries of a folder; RemoveAdded deletes every file or folder that appeared since.
class FolderSnapshot {
public:
    explicit FolderSnapshot(std::wstring folder);
    std::vector<std::wstring> Added() const;
    void RemoveAdded() const;

private:
    std::wstring m_folder;
    std::vector<std::wstring> m_names;
};

// A file held open without sharing, as the spooler holds a driver file in use.
using testing_support::HeldFile;

// Moves the files lying directly in a folder out of the way for the length of a test, so that
// the test starts from a folder without files; on destruction the folder's files are deleted and
// the stashed ones written back.
class FolderStash {
public:
    explicit FolderStash(std::wstring folder);
    ~FolderStash();
    FolderStash(const FolderStash&) = delete;
    FolderStash& operator=(const FolderStash&) = delete;

private:
    struct File {
        std::wstring name;
        std::string bytes;
        DWORD attributes;
    };
    std::vector<std::wstring> Files() const;
    std::wstring m_folder;
    std::vector<File> m_files;
};

// Writes a file, replacing it; clears a read-only attribute first.
void PutFile(const std::wstring& path, const std::string& bytes);

// The last-write time of a file as 100-ns units; 0 when it cannot be read.
ULONGLONG WriteTime(const std::wstring& path);
void SetWriteTime(const std::wstring& path, ULONGLONG time);

// The records the install log receives from now on, converted from the ANSI code page, each with
// its time stamp cut off.
class LogWatch {
public:
    LogWatch();
    std::vector<std::wstring> NewRecords() const;

private:
    int m_number;
    size_t m_offset;
};

// The Spooler service's current state (SERVICE_RUNNING, ...); 0 when it cannot be read.
DWORD SpoolerServiceState();

// Starts or stops the Spooler service through the service control manager and waits up to
// ten seconds for the state. False when it is not reached.
bool PutSpoolerServiceIn(DWORD state);

// Puts the Spooler service back in the state it had at construction.
class SpoolerServiceGuard {
public:
    SpoolerServiceGuard();
    ~SpoolerServiceGuard();
    SpoolerServiceGuard(const SpoolerServiceGuard&) = delete;
    SpoolerServiceGuard& operator=(const SpoolerServiceGuard&) = delete;
    DWORD Initial() const { return m_initial; }

private:
    DWORD m_initial;
};

} // namespace installer_tests
