// Runs a program and writes its whole exit code into a file: a Unix parent of Wine sees only the
// code's low 8 bits, and installers' codes (1602, 1603, 1618 ...) are larger.
//   exit_code.exe OUTFILE PROGRAM [ARGUMENTS...]
#include <windows.h>

#include <string>

namespace {

// One argument as CommandLineToArgvW reads it back: quoted when it holds a space or a tab.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    std::wstring commandLine;
    for (int i = 2; i < argc; ++i)
        commandLine += (i > 2 ? L" " : L"") + Quoted(argv[i]);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION process{};
    DWORD code = 0xFFFFFFFF;
    if (::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &si, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    const std::string text = code == 0xFFFFFFFF ? "not started\r\n" : std::to_string(code) + "\r\n";
    HANDLE out = ::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(out);
    return code == 0 ? 0 : 1;
}
