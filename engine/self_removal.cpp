// The temporary copy that deletes the kept installer once the removal it runs has ended.
#include "engine/self_removal.h"

#include "engine/apps_entry.h"
#include "engine/install_log.h"
#include "engine/removal_steps.h"

#include <cwchar>

namespace engine {

namespace {

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH + 1] = L"";
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(temp, length);
}

// A program that has just ended may hold its image file a moment longer.
bool DeleteWhenFree(const std::wstring& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (::DeleteFileW(path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND ||
            ::GetLastError() == ERROR_PATH_NOT_FOUND)
            return true;
        ::Sleep(100);
    }
    WriteInstallStep(L"DeleteFile " + path, ::GetLastError());
    return false;
}

} // namespace

BOOL WINAPI StartRemovalFinisher(LPCWSTR runningProgram, LPCWSTR productFolder,
                                 LPCWSTR movedProgram) {
    const std::wstring temp = TempFolder();
    wchar_t copy[MAX_PATH] = L"";
    if (temp.empty() || !::GetTempFileNameW(temp.c_str(), L"kvf", 0, copy))
        return FALSE;
    if (!::CopyFileW(runningProgram, copy, FALSE)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(copy);
        ::SetLastError(error);
        return FALSE;
    }
    // Deleted when its last handle closes: the one the finishing copy inherits, which closes as
    // that copy ends. The process start opens the image sharing read and delete, so it runs.
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE file = ::CreateFileW(copy, DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                                OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(copy);
        ::SetLastError(error);
        return FALSE;
    }
    HANDLE self = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(),
                           &self, SYNCHRONIZE, TRUE, 0)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(file);
        ::SetLastError(error);
        return FALSE;
    }
    std::wstring command = L"\"" + std::wstring(copy) + L"\" " + kFinishRemovalSwitch + L" " +
                           std::to_wstring(reinterpret_cast<ULONG_PTR>(self)) + L" \"" +
                           productFolder + L"\" \"" + movedProgram + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(copy, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                          temp.c_str(), &startup, &process);
    const DWORD error = started ? 0 : ::GetLastError();
    ::CloseHandle(self);
    ::CloseHandle(file);
    if (!started) {
        ::SetLastError(error);
        return FALSE;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return TRUE;
}

bool IsRemovalFinisher(const std::vector<std::wstring>& arguments) {
    return !arguments.empty() && ::lstrcmpiW(arguments[0].c_str(), kFinishRemovalSwitch) == 0;
}

int RunRemovalFinisher(const std::vector<std::wstring>& arguments) {
    if (arguments.size() != 4)
        return 2;
    const std::wstring& folder = arguments[2];
    const std::wstring& moved = arguments[3];
    HANDLE removal = reinterpret_cast<HANDLE>(
        static_cast<ULONG_PTR>(std::wcstoull(arguments[1].c_str(), nullptr, 10)));
    if (removal != nullptr) {
        ::WaitForSingleObject(removal, 10 * 60 * 1000);
        ::CloseHandle(removal);
    }
    // A removal that failed kept its entry: the kept installer stays to run it again.
    if (ProductEntryExists())
        return 1;
    bool removed = moved.empty() || DeleteWhenFree(moved);
    if (!folder.empty() && FolderExists(folder + L"\\")) {
        // The kept installer that could not be moved out is still in the folder.
        removed = DeleteWhenFree(folder + L"\\" + kKeptProgramName) && removed;
        std::vector<LeftOver> leftOvers;
        RemoveTree(folder + L"\\", {}, true, leftOvers);
        removed = removed && leftOvers.empty();
    }
    WriteInstallLog(removed ? L"卸载程序已删除：" + folder : L"卸载程序未能删除：" + folder, false);
    return removed ? 0 : 2;
}

} // namespace engine
