#include "tests/support/log_records.h"

#include <algorithm>

namespace testing_support {

std::vector<std::string> SplitLogRecords(const std::string& bytes, size_t offset, size_t* rest) {
    std::vector<std::string> records;
    size_t start = std::min(offset, bytes.size());
    for (size_t end = bytes.find('\0', start); end != std::string::npos;
         start = end + 1, end = bytes.find('\0', start))
        records.push_back(bytes.substr(start, end - start));
    if (rest != nullptr)
        *rest = bytes.size() - start;
    return records;
}

} // namespace testing_support
