#include "argument_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

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

ScratchFile::ScratchFile(const std::filesystem::path& folder, std::string_view content) {
    // O_EXCL: it can never be given a name either.
    int fd = ::open(folder.c_str(), O_TMPFILE | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A filesystem without unnamed files: a named one, unlinked at once.
        std::string pattern = (folder / "scratch-XXXXXX").string();
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0) {
            ::unlink(pattern.c_str());
        }
    }
    if (fd < 0) {
        throw std::runtime_error("cannot create a file in " + folder.string() + ": " +
                                 std::strerror(errno));
    }
    fd_ = OwnedDescriptor(fd);
    writeAll(fd, content, folder);
}

std::filesystem::path ScratchFile::path() const {
    return "/proc/self/fd/" + std::to_string(fd_.get());
}

ArgumentPipe::ArgumentPipe(const QStringList& arguments) {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(errno));
    }
    readEnd_ = OwnedDescriptor(ends[0]);
    const OwnedDescriptor writeEnd(ends[1]);
    const std::string text = argumentFileText(arguments);
    const ssize_t written = ::write(writeEnd.get(), text.data(), text.size());
    if (written != static_cast<ssize_t>(text.size())) {
        throw std::runtime_error("Ghostscript's switches do not fit into a pipe");
    }
    // Ghostscript reads the pipe as a blocking file.
    ::fcntl(readEnd_.get(), F_SETFL, 0);
}

} // namespace ostrel
