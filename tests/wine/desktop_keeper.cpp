// Holds the bench's desktop open while the tests run.
//
// Wine closes a desktop shortly after its last program ends and then ends the explorer process
// that owns the desktop window. CTest runs one program per test, so without a program that stays,
// every test that makes a window starts a new explorer, and a test that starts while the old one
// is still ending can be handed a desktop window that dies under it (its windows are never made).
// This program joins the desktop, marks the file given as its argument once it has, and sleeps
// until the bench's wineserver is killed, or for two hours at most, so that a run interrupted
// before the bench is stopped does not leave it behind for good.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (::GetDesktopWindow() == nullptr)
        return 1;
    if (argc > 1) {
        HANDLE ready = ::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (ready == INVALID_HANDLE_VALUE)
            return 2;
        ::CloseHandle(ready);
    }
    ::Sleep(2 * 60 * 60 * 1000);
    return 0;
}
