// The runs the command line asks for, each returning the process's exit code, and what they
// share.
#pragma once

#include "unattended/command_line.h"

#include <string>

namespace unattended {

constexpr const wchar_t* kTitle = L"安装提示";

int RunQuietInstall(const Options& options);
int RunUninstall(const Options& options);
int RunCheck(const Options& options);

// Text for whoever started the program: its console when it has one (or its redirected output,
// in UTF-8), a message box otherwise (none with quiet). icon: MB_ICONINFORMATION and the like.
// False when the text reached no one (quiet, and no console or output).
bool Tell(const std::wstring& text, bool quiet, unsigned icon);

// ASCII and other letters in lower case, as names given on the command line are compared.
std::wstring LowerText(std::wstring text);

} // namespace unattended
