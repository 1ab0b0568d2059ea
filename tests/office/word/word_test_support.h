// A private temporary folder for one test process, set as its cache folder (where the
// office profiles go) and its registry folder.
#pragma once

#include "../../support/test_support.h"

#include <filesystem>

namespace ostrel::word::test {

class TestEnvironment {
public:
    TestEnvironment() {
        setenv("XDG_CACHE_HOME", (folder_.path() / "cache").c_str(), 1);
        setenv("OSTREL_REGISTRY_DIR", (folder_.path() / "registry").c_str(), 1);
    }
    const std::filesystem::path& directory() const { return folder_.path(); }

private:
    testsupport::TemporaryFolder folder_;
};

} // namespace ostrel::word::test
