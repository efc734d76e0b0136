#include "engine/rerun_rules.h"

#include "engine/printer_naming.h"
#include "engine/staging_lists.h"
#include "engine/uninstall_rules.h"

#include <array>

namespace engine {

namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
    return LowerAscii(a) == LowerAscii(b);
}

using Version = std::array<unsigned long, 4>;

bool ParseVersion(const std::wstring& text, Version& version) {
    version.fill(0);
    std::size_t part = 0, digits = 0;
    for (wchar_t c : text) {
        if (c == L'.') {
            if (digits == 0 || ++part == version.size())
                return false;
            digits = 0;
        } else if (c >= L'0' && c <= L'9' && digits < 5) {
            version[part] = version[part] * 10 + static_cast<unsigned long>(c - L'0');
            ++digits;
        } else {
            return false;
        }
    }
    return digits != 0;
}

} // namespace

int QueueToReuse(const std::vector<QueueListing>& queues, const std::wstring& model,
                 const std::wstring& port) {
    const std::wstring base = PrinterBaseName(model);
    int found = -1;
    for (std::size_t i = 0; i < queues.size(); ++i) {
        const QueueListing& queue = queues[i];
        if (!SameText(queue.port, port) || !IsProductDriverName(queue.driver, {model}))
            continue;
        if (SameText(queue.driver, base))
            return static_cast<int>(i);
        if (found < 0)
            found = static_cast<int>(i);
    }
    return found;
}

VersionOrder InstalledVersionOrder(const std::wstring& installed, const std::wstring& running) {
    Version a, b;
    if (!ParseVersion(installed, a) || !ParseVersion(running, b))
        return VersionOrder::Unknown;
    if (a < b)
        return VersionOrder::Older;
    return a == b ? VersionOrder::Same : VersionOrder::Newer;
}

} // namespace engine
