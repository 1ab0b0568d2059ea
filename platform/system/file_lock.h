// An exclusive flock on a file, held while the object lives: processes and threads
// alike take turns on it. The file is made (mode 0600) when missing and is never reached
// through a symbolic link.
#pragma once

#include <filesystem>
#include <utility>

namespace ostrel {

class FileLock {
public:
    // Waits for the lock; with `wait` false takes it only when it is free now (held()
    // tells). Throws std::system_error when the file cannot be opened or locked.
    explicit FileLock(const std::filesystem::path& file, bool wait = true);
    FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1; // closing the only descriptor drops the lock
};

} // namespace ostrel
