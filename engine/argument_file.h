// Ghostscript's argument file ("gs @file"): switches that must not appear on the
// command line, where every user of the machine can read them (passwords).
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// One argument as Ghostscript 10's @file reader reads it back unchanged: as it is when
// it holds no blank and no double quote; otherwise its value (after the first '=', or
// all of it) in double quotes with each inner quote written \". No value when the reader
// cannot give it back: line breaks, a byte-order mark, or a quoted value ending in '\'.
std::optional<std::string> argumentFileEntry(const QString& argument);

// Writes `content` to a new file at `path` that only the user can read: whatever stood
// there is removed first, so a planted link is replaced, never followed. Throws
// std::runtime_error (one-line reason).
void writePrivateFile(const std::filesystem::path& path, std::string_view content);

// A file written with writePrivateFile and removed when this goes.
class PrivateFile {
public:
    PrivateFile(std::filesystem::path path, std::string_view content);
    ~PrivateFile();
    PrivateFile(const PrivateFile&) = delete;
    PrivateFile& operator=(const PrivateFile&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The argument file, private to the user (mode 0600) and removed when this goes.
class ArgumentFile {
public:
    // Writes the arguments to `path`. Throws std::runtime_error (one-line reason) when an
    // argument cannot be carried or the file cannot be written.
    ArgumentFile(std::filesystem::path path, const QStringList& arguments);

    // "@" and the path: Ghostscript's one argument that reads the file.
    std::string reference() const { return "@" + file_.path().string(); }

private:
    PrivateFile file_;
};

} // namespace ostrel
