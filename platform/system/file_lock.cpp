#include "system/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <system_error>

namespace ostrel {

FileLock::FileLock(const std::filesystem::path& file, bool wait)
    : fd_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
    if (!fd_.valid()) {
        throw std::system_error(errno, std::generic_category(), "cannot open " + file.string());
    }
    int result = 0;
    do {
        result = ::flock(fd_.get(), wait ? LOCK_EX : LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        fd_.reset();
        if (error != EWOULDBLOCK) {
            throw std::system_error(error, std::generic_category(), "cannot lock " + file.string());
        }
    }
}

} // namespace ostrel
