// An exclusive flock on a file, held while the object lives: processes and threads
// alike take turns on it. The file is made (mode 0600) when missing and is never reached
// through a symbolic link.
#pragma once

#include "system/owned_descriptor.h"

#include <filesystem>

namespace ostrel {

class FileLock {
public:
    // Waits for the lock; with `wait` false takes it only when it is free now (held()
    // tells). Throws std::system_error when the file cannot be opened or locked.
    explicit FileLock(const std::filesystem::path& file, bool wait = true);

    bool held() const { return fd_.valid(); }

private:
    OwnedDescriptor fd_; // closing the only descriptor drops the lock
};

} // namespace ostrel
