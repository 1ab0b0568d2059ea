#include "argument_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace ostrel {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// The switch name without its value, for messages that must not show a password.
QString switchName(const QString& argument) {
    const auto equals = argument.indexOf(QLatin1Char('='));
    return equals >= 0 ? argument.left(equals) : QStringLiteral("a file name");
}

void writeAll(int fd, std::string_view text, const std::filesystem::path& path) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(errno));
        }
        done += static_cast<std::size_t>(count);
    }
}

} // namespace

void writePrivateFile(const std::filesystem::path& path, std::string_view content) {
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(errno));
    }
    try {
        writeAll(fd, content, path);
    } catch (...) {
        ::close(fd);
        ::unlink(path.c_str());
        throw;
    }
    ::close(fd);
}

PrivateFile::PrivateFile(std::filesystem::path path, std::string_view content)
    : path_(std::move(path)) {
    writePrivateFile(path_, content);
}

PrivateFile::~PrivateFile() {
    ::unlink(path_.c_str());
}

std::optional<std::string> argumentFileEntry(const QString& argument) {
    const std::string text = argument.toStdString();
    if (text.find_first_of("\r\n") != std::string::npos ||
        text.find("\xEF\xBB\xBF") != std::string::npos || text.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    bool needsQuotes = false;
    for (const char c : text) {
        needsQuotes = needsQuotes || isBlank(c) || c == '"';
    }
    if (!needsQuotes) {
        return text;
    }
    // The reader opens a quote at the start of an argument or after '=', and takes \"
    // as a quote character; a backslash before the closing quote would escape it.
    const auto equals = text.find('=');
    const std::size_t valueStart = equals == std::string::npos ? 0 : equals + 1;
    const std::string name = text.substr(0, valueStart);
    const std::string value = text.substr(valueStart);
    if (name.find_first_of(" \t\v\f\"") != std::string::npos ||
        (!value.empty() && value.back() == '\\')) {
        return std::nullopt;
    }
    std::string entry = name + '"';
    for (const char c : value) {
        if (c == '"') {
            entry += '\\';
        }
        entry += c;
    }
    entry += '"';
    return entry;
}

namespace {

// The arguments as one line of entries: a backslash before a line break would join lines.
std::string argumentFileText(const QStringList& arguments) {
    std::string content;
    for (const auto& argument : arguments) {
        const auto entry = argumentFileEntry(argument);
        if (!entry) {
            throw std::runtime_error("Ghostscript cannot be given " +
                                     switchName(argument).toStdString() +
                                     " (a line break, or a trailing backslash after a blank)");
        }
        content += *entry + ' ';
    }
    return content;
}

} // namespace

ArgumentFile::ArgumentFile(std::filesystem::path path, const QStringList& arguments)
    : file_(std::move(path), argumentFileText(arguments)) {
}

} // namespace ostrel
