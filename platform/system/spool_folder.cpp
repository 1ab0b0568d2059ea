#include "system/spool_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ostrel {
namespace {

std::filesystem::path fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::filesystem::path(value)
                                                : std::filesystem::path();
}

[[noreturn]] void fail(const std::filesystem::path& folder, const std::string& what) {
    throw std::runtime_error("spool folder " + folder.string() + ": " + what);
}

// Creates the folder (mode 0700; its parents as usual) when missing, and makes sure
// nobody else can read or plant files in it: it must be a real directory of ours that
// neither group nor others may enter. An existing folder is never changed: making a
// shared folder private would break its other users.
void requirePrivate(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    if (error) {
        fail(folder, error.message());
    }
    if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
        fail(folder, std::strerror(errno));
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        fail(folder, std::strerror(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        fail(folder, "not a directory");
    }
    if (info.st_uid != ::geteuid()) {
        fail(folder, "owned by another user");
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", info.st_mode & 07777);
        fail(folder, std::string("open to other users (mode ") + mode +
                         "); use a folder only you can enter (mode 0700)");
    }
}

std::filesystem::path defaultFolder() {
    if (auto overridden = fromEnvironment("OSTREL_SPOOL_DIR"); !overridden.empty()) {
        return overridden;
    }
    if (auto runtime = fromEnvironment("XDG_RUNTIME_DIR"); !runtime.empty()) {
        return runtime / "ostrel";
    }
    if (auto cache = fromEnvironment("XDG_CACHE_HOME"); !cache.empty()) {
        return cache / "ostrel";
    }
    if (auto home = fromEnvironment("HOME"); !home.empty()) {
        return home / ".cache" / "ostrel";
    }
    throw std::runtime_error("no folder for the spool files: set OSTREL_SPOOL_DIR or HOME");
}

thread_local const SpoolFolder* threadFolder = nullptr;

} // namespace

SpoolFolder SpoolFolder::locate() {
    if (threadFolder != nullptr) {
        return *threadFolder;
    }
    return SpoolFolder(defaultFolder());
}

SpoolFolderScope::SpoolFolderScope(const SpoolFolder& folder)
    : previous_(std::exchange(threadFolder, &folder)) {
}

SpoolFolderScope::~SpoolFolderScope() {
    threadFolder = previous_;
}

SpoolFolder::SpoolFolder(std::filesystem::path folder)
    : folder_(std::filesystem::absolute(std::move(folder))) {
    requirePrivate(folder_);
}

SpoolLock::SpoolLock(const SpoolFolder& folder) : SpoolLock(folder, true) {
}

SpoolLock::SpoolLock(const SpoolFolder& folder, bool wait) : folder_(folder) {
    const auto lockFile = folder.file("lock");
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        throw std::runtime_error("cannot open the lock file " + lockFile.string() + ": " +
                                 std::strerror(errno));
    }
    const int operation = wait ? LOCK_EX : (LOCK_EX | LOCK_NB);
    int result = 0;
    do {
        result = ::flock(fd_, operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        release();
        if (error != EWOULDBLOCK) {
            throw std::runtime_error("cannot lock " + lockFile.string() + ": " +
                                     std::strerror(error));
        }
    }
}

std::optional<SpoolLock> SpoolLock::tryAcquire(const SpoolFolder& folder) {
    SpoolLock lock(folder, false);
    if (lock.fd_ < 0) {
        return std::nullopt;
    }
    return lock;
}

SpoolLock::SpoolLock(SpoolLock&& other) noexcept
    : folder_(other.folder_), fd_(std::exchange(other.fd_, -1)) {
}

SpoolLock& SpoolLock::operator=(SpoolLock&& other) noexcept {
    if (this != &other) {
        release();
        folder_ = other.folder_;
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

SpoolLock::~SpoolLock() {
    release();
}

void SpoolLock::release() noexcept {
    if (fd_ >= 0) {
        ::close(fd_); // closing the only descriptor drops the flock
        fd_ = -1;
    }
}

} // namespace ostrel
