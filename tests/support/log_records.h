// The install log's file format seen from the tests: records are NUL-terminated ANSI texts.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testing_support {

// The records in `bytes` from `offset` on, in file order, without their NULs. `rest`, when given,
// receives the number of bytes after the last NUL (a record cut short).
std::vector<std::string> SplitLogRecords(const std::string& bytes, size_t offset = 0,
                                         size_t* rest = nullptr);

} // namespace testing_support
