// Writes a ZIP archive with stored (uncompressed) entries: enough to make small
// documents for tests.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::test {

bool writeStoredZip(const std::filesystem::path& archive,
                    const std::vector<std::pair<std::string, std::string>>& entries);

} // namespace ostrel::test
