#include "input_file.h"

#include "file_name_bytes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

std::optional<QString> inputProblem(const QString& file) {
    const QByteArray path = fileNameBytes(file);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        return errno == ENOENT ? QStringLiteral("no such file")
                               : QStringLiteral("cannot be read: %1")
                                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (S_ISDIR(info.st_mode)) {
        return QStringLiteral("not a regular file (a folder)");
    }
    if (!S_ISREG(info.st_mode)) {
        return QStringLiteral("not a regular file (%1)")
            .arg(S_ISFIFO(info.st_mode)   ? QStringLiteral("a FIFO")
                 : S_ISSOCK(info.st_mode) ? QStringLiteral("a socket")
                                          : QStringLiteral("a device"));
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return QStringLiteral("cannot be read: %1")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ::close(fd);
    if (info.st_size == 0) {
        return QStringLiteral("empty file (0 bytes)");
    }
    return std::nullopt;
}

} // namespace ostrel
