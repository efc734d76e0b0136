// Install log texts of the device discovery.
#include "discovery/log_texts.h"

namespace discovery {

std::wstring ConfigManagerFailureText(const std::wstring& operation, unsigned long code) {
    std::wstring hex;
    do {
        hex.insert(hex.begin(), L"0123456789abcdef"[code % 16]);
        code /= 16;
    } while (code != 0);
    return operation + L"   failed:   " + hex + L"\n ";
}

} // namespace discovery
