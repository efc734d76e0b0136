// The records of the current install log file, for tests of code that writes to it.
#pragma once

#include "engine/install_log.h"
#include "engine/log_record.h"
#include "tests/support/log_records.h"
#include "tests/support/test_paths.h"

#include <string>
#include <vector>

namespace discovery_testing {

// The records of the current log file, in file order.
inline std::vector<std::string> InstallLogRecords() {
    return testing_support::SplitLogRecords(testing_support::ReadFileBytes(
        engine::GetInstallLogFolder() + engine::LogFileName(engine::GetInstallLogFileNumber())));
}

inline bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

} // namespace discovery_testing
