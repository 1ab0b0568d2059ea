// Running a program from a test by its argument vector.
#pragma once

#include "system/process.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace ostrel::test {

// Our whole environment with `changes` added or replaced.
inline std::vector<std::string> environmentWith(const std::map<std::string, std::string>& changes) {
    std::map<std::string, std::string> all;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos) {
            all[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const auto& [name, value] : changes) {
        all[name] = value;
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : all) {
        result.push_back(name + "=" + value);
    }
    return result;
}

// Runs the program to its end and answers its exit code: -1 when it did not start, a
// signal ended it, or it ran longer than two minutes (then it is killed). `environment`
// is added to ours, its output appended to `output`, and it runs in `folder` (empty:
// ours, each).
inline int run(const std::vector<std::string>& arguments,
               const std::map<std::string, std::string>& environment = {},
               const std::filesystem::path& output = {}, const std::filesystem::path& folder = {}) {
    ProcessOptions options;
    options.workingDirectory = folder;
    options.outputFile = output;
    if (!environment.empty()) {
        options.environment = environmentWith(environment);
    }
    try {
        Process process = Process::start(arguments, options);
        const auto exit = process.waitFor(std::chrono::minutes(2));
        if (!exit) {
            process.kill();
            process.wait();
            return -1;
        }
        return exit->exited ? exit->code : -1;
    } catch (const std::exception&) {
        return -1;
    }
}

} // namespace ostrel::test
