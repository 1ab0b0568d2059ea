// The office's private user profile. A template is made once per user under the cache
// folder (with the printer "OstrelWordToPDF" and settings that keep macros
// and links off), anew when the office is updated, and copied for every office instance,
// so that no two offices share a profile and a fresh copy starts as fast as a used one. An instance
// folder is held by a lock while its office lives; folders whose lock is free are left-overs of a
// killed process and are removed.
#pragma once

#include "system/file_lock.h"

#include <filesystem>
#include <optional>
#include <string>

namespace ostrel::word {

// $XDG_CACHE_HOME/ostrel/word, else ~/.cache/ostrel/word.
std::filesystem::path profileRoot();

// A file:// URL for an absolute path, percent-encoded.
std::string fileUrl(const std::filesystem::path& path);

class InstanceProfile {
public:
    // Makes the template on first use (starting `office` to initialise it) and copies
    // it into a new instance folder. Throws std::runtime_error on failure.
    explicit InstanceProfile(const std::string& office);
    ~InstanceProfile();

    InstanceProfile(const InstanceProfile&) = delete;
    InstanceProfile& operator=(const InstanceProfile&) = delete;

    const std::filesystem::path& directory() const { return directory_; }
    std::string url() const { return fileUrl(directory_); }
    // The office's temporary folder (TMPDIR), private and inside the instance folder, so
    // that it goes with it, and with the left-overs of a killed process.
    std::filesystem::path temporaryFolder() const { return directory_ / "tmp"; }
    // A name unique to this instance, usable as a pipe name.
    const std::string& name() const { return name_; }

private:
    std::filesystem::path directory_;
    std::filesystem::path lockFile_;
    std::string name_;
    std::optional<FileLock> lock_; // released last, once the folder is gone
};

} // namespace ostrel::word
