// The records of the current install log file, for tests of code that writes to it.
#pragma once

#include "engine/install_log.h"
#include "engine/log_record.h"
#include "tests/support/test_paths.h"

#include <string>
#include <vector>

namespace discovery_testing {

// Records are NUL-terminated ANSI texts; returned in file order.
inline std::vector<std::string> InstallLogRecords() {
    const std::string bytes = testing_support::ReadFileBytes(
        engine::GetInstallLogFolder() + engine::LogFileName(engine::GetInstallLogFileNumber()));
    std::vector<std::string> records;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\0') {
            records.push_back(bytes.substr(start, i - start));
            start = i + 1;
        }
    }
    return records;
}

inline bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

} // namespace discovery_testing
