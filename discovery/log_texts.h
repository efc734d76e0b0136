// Texts the device discovery writes to the install log. No Windows calls.
#pragma once

#include <string>

namespace discovery {

// A configuration-manager failure: "<operation>   failed:   <code in lower-case hex>\n ", for
// instance "CM_Locate_DevNode   failed:   d\n ".
std::wstring ConfigManagerFailureText(const std::wstring& operation, unsigned long code);

} // namespace discovery
