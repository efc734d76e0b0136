// Holds a file open with no sharing, as an antivirus scanner or a printing program may hold a
// driver file, so that a fleet machine can be broken that way. Creates the file when missing,
// marks the second argument's file once the file is held, and sleeps until its wineserver ends.
//   file_holder.exe FILE READY
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    HANDLE held = ::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return 1;
    const char bytes[] = "held by another program\r\n";
    DWORD written = 0;
    ::WriteFile(held, bytes, sizeof(bytes) - 1, &written, nullptr);
    HANDLE ready = ::CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE)
        ::CloseHandle(ready);
    ::Sleep(60 * 60 * 1000);
    ::CloseHandle(held);
    return 0;
}
