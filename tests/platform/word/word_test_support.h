// A private temporary folder, set as the cache and registry folders of the test process.
#pragma once

#include <filesystem>

namespace ostrel::word::test {

class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    const std::filesystem::path& directory() const { return directory_; }

private:
    std::filesystem::path directory_;
};

} // namespace ostrel::word::test
