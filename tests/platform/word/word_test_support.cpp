#include "word_test_support.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace ostrel::word::test {

TestEnvironment::TestEnvironment() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ostrel-word-test-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    directory_ = pattern;
    setenv("XDG_CACHE_HOME", (directory_ / "cache").c_str(), 1);
    setenv("OSTREL_REGISTRY_DIR", (directory_ / "registry").c_str(), 1);
}

TestEnvironment::~TestEnvironment() {
    std::error_code ec;
    std::filesystem::remove_all(directory_, ec);
}

} // namespace ostrel::word::test
