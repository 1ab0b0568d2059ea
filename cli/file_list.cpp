#include "file_list.h"

#include "file_name_bytes.h"
#include "output_name.h"

#include <QRegularExpression>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace ostrel::cli {
namespace {

// All of a descriptor's bytes; nothing on a read error (errno tells).
std::optional<QByteArray> readAll(int descriptor) {
    QByteArray content;
    char buffer[65536];
    while (true) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count == 0) {
            return content;
        }
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        content.append(buffer, count);
    }
}

// 64-bit FNV-1a, then MurmurHash3's finalizer: names that differ only in their last
// characters (letter-1, letter-2, ...) would otherwise crowd into a few shards.
std::uint64_t nameHash(const QByteArray& bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 1099511628211ULL;
    }
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ULL;
    hash ^= hash >> 33;
    return hash;
}

} // namespace

QStringList fileListEntries(QByteArrayView content, bool nullSeparated) {
    QStringList names;
    const char separator = nullSeparated ? '\0' : '\n';
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf(separator, start);
        if (end < 0) {
            end = content.size();
        }
        if (end > start) {
            names << fileNameText(content.sliced(start, end - start).toByteArray());
        }
        start = end + 1;
    }
    return names;
}

std::optional<QStringList> readFileList(const QString& path, bool nullSeparated, QString& error) {
    const bool standardInput = path == QLatin1String("-");
    const int descriptor =
        standardInput ? STDIN_FILENO
                      : ::open(fileNameBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    std::optional<QByteArray> content;
    if (descriptor >= 0) {
        content = readAll(descriptor);
    }
    const int readError = errno;
    if (descriptor >= 0 && !standardInput) {
        ::close(descriptor);
    }
    if (!content) {
        error = QString::fromLocal8Bit(std::strerror(readError));
        return std::nullopt;
    }
    return fileListEntries(*content, nullSeparated);
}

std::optional<Shard> parseShard(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,9})/([0-9]{1,9})$"));
    const auto match = form.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const int index = match.captured(1).toInt();
    const int count = match.captured(2).toInt();
    if (count < 1 || index > count) {
        return std::nullopt;
    }
    return Shard{index == 0 ? count : index, count};
}

QStringList filesOfShard(const QStringList& files, Shard shard) {
    QStringList taken;
    for (const QString& file : files) {
        const std::uint64_t hash = nameHash(fileNameBytes(outputFileName(file)));
        if (static_cast<int>(hash % static_cast<std::uint64_t>(shard.count)) + 1 == shard.index) {
            taken << file;
        }
    }
    return taken;
}

} // namespace ostrel::cli
