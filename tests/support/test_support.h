// Helpers shared by the platform tests: a private temporary folder, a private
// registry folder (OSTREL_REGISTRY_DIR) and running a program by argument vector.
#pragma once

#include "system/process.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ostrel-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Points OSTREL_REGISTRY_DIR at a fresh folder for the object's life.
class PrivateRegistry {
public:
    PrivateRegistry() {
        if (const char* old = std::getenv("OSTREL_REGISTRY_DIR")) {
            previous_ = old;
        }
        setenv("OSTREL_REGISTRY_DIR", folder_.path().c_str(), 1);
    }
    PrivateRegistry(const PrivateRegistry&) = delete;
    PrivateRegistry& operator=(const PrivateRegistry&) = delete;
    ~PrivateRegistry() {
        if (previous_) {
            setenv("OSTREL_REGISTRY_DIR", previous_->c_str(), 1);
        } else {
            unsetenv("OSTREL_REGISTRY_DIR");
        }
    }
    const std::filesystem::path& path() const { return folder_.path(); }

private:
    TemporaryFolder folder_;
    std::optional<std::string> previous_;
};

// Runs the program (in `folder` when given) and answers its exit code (-1 when it did
// not start or end normally).
inline int run(const std::vector<std::string>& arguments,
               const std::filesystem::path& folder = {}) {
    ostrel::ProcessOptions options;
    options.workingDirectory = folder;
    try {
        const ostrel::ProcessExit exit = ostrel::Process::start(arguments, options).wait();
        return exit.exited ? exit.code : -1;
    } catch (const std::exception&) {
        return -1;
    }
}

inline std::string readText(const std::filesystem::path& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            text.append(buffer, got);
        }
        std::fclose(file);
    }
    return text;
}

} // namespace testsupport
