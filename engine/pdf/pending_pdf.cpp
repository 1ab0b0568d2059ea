#include "pending_pdf.h"

#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {
namespace {

constexpr std::string_view kTemporaryPrefix = ".ostrel-";
constexpr std::string_view kTemporarySuffix = ".pdf.part";

// ".ostrel-PID-RANDOM.pdf.part": the writer's process id tells a later run whether the
// file is a left-over of a process that died.
std::string temporaryName() {
    static constexpr char hex[] = "0123456789abcdef";
    std::string name = std::string(kTemporaryPrefix) + std::to_string(::getpid()) + '-';
    for (int i = 0; i < 12; ++i) {
        name += hex[QRandomGenerator::system()->bounded(16)];
    }
    return name + std::string(kTemporarySuffix);
}

// The process id in a temporary file's name; none for other names.
std::optional<pid_t> writerOf(std::string_view name) {
    if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) {
        return std::nullopt;
    }
    name.remove_prefix(kTemporaryPrefix.size());
    const auto dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0) {
        return std::nullopt;
    }
    pid_t pid = 0;
    for (const char digit : name.substr(0, dash)) {
        if (digit < '0' || digit > '9' || pid > 100000000) {
            return std::nullopt;
        }
        pid = pid * 10 + (digit - '0');
    }
    return pid;
}

// Removes the temporary files of ours in `folder` whose writer is gone (killed before it
// could remove them): regular files of this user, named by a process that no longer
// exists. A live writer's file, or anyone else's, stays.
void removeDeadWritersFiles(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const auto writer = writerOf(entry.path().filename().string());
        struct stat info {};
        if (!writer || ::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid()) {
            continue;
        }
        if (::kill(*writer, 0) != 0 && errno == ESRCH) {
            ::unlink(entry.path().c_str());
        }
    }
}

// The mode a file created with 0666 gets: 0666 less the umask, read from the kernel
// (changing the umask to learn it would race with other threads creating files).
mode_t newFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Umask:")) {
            return static_cast<mode_t>(0666 & ~std::stoul(line.substr(6), nullptr, 8));
        }
    }
    return 0644;
}

std::string reasonFrom(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// Moves without replacing anything; where the filesystem cannot rename that way, a
// hard link does the same.
int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        return -1;
    }
    ::unlink(from.c_str());
    return 0;
}

} // namespace

PendingPdf::PendingPdf(std::filesystem::path destination) : destination_(std::move(destination)) {
    const std::filesystem::path folder = destination_.parent_path();
    removeDeadWritersFiles(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = folder / temporaryName();
        fd_ = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            temporary_ = candidate;
            return;
        }
        if (errno != EEXIST) {
            throw std::runtime_error(
                reasonFrom("cannot create a file in " + folder.string(), errno));
        }
    }
    throw std::runtime_error("cannot create a temporary file in " + folder.string());
}

PendingPdf::~PendingPdf() {
    if (!committed_) {
        ::unlink(temporary_.c_str());
    }
    ::close(fd_);
}

std::optional<std::string> PendingPdf::commit(ExistingPdf existing) {
    struct stat ours {};
    struct stat named {};
    if (::fstat(fd_, &ours) != 0 || ::lstat(temporary_.c_str(), &named) != 0 ||
        ours.st_dev != named.st_dev || ours.st_ino != named.st_ino) {
        return "the temporary file " + temporary_.string() + " was replaced while it was written";
    }
    if (::fchmod(fd_, newFileMode()) != 0 || ::fdatasync(fd_) != 0) {
        return reasonFrom("cannot finish " + temporary_.string(), errno);
    }
    const int moved = existing == ExistingPdf::Replace
                          ? ::rename(temporary_.c_str(), destination_.c_str())
                          : renameNoReplace(temporary_, destination_);
    if (moved != 0) {
        const int error = errno;
        if (error == EEXIST) {
            return destination_.string() + " appeared while converting and was kept";
        }
        return reasonFrom("cannot write " + destination_.string(), error);
    }
    committed_ = true;
    return std::nullopt;
}

FILE* duplicateStream(int descriptor, const char* mode) {
    const int copy = ::dup(descriptor);
    FILE* stream = copy >= 0 ? ::fdopen(copy, mode) : nullptr;
    if (stream == nullptr && copy >= 0) {
        ::close(copy);
    }
    return stream;
}

} // namespace ostrel
