// What Ghostscript is handed besides its command line: its switches through a pipe
// ("gs @/dev/fd/N"), never a file, since they carry the passwords; and the files it
// reads or writes as unnamed private files, so that nothing of a job stays on disk when
// the process ends, however it ends.
#pragma once

#include "system/owned_descriptor.h"

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

// A file without a name in `folder` (readable by the user alone), holding `content`; it
// is gone with its descriptor. Others reach it as "/proc/self/fd/N" of ours, or as the
// descriptor passed to them. Throws std::runtime_error (one-line reason).
class ScratchFile {
public:
    explicit ScratchFile(const std::filesystem::path& folder, std::string_view content = {});

    int descriptor() const { return fd_.get(); }
    // Our path to it, for readers that take a name.
    std::filesystem::path path() const;

private:
    OwnedDescriptor fd_;
};

// The arguments in a pipe, for Ghostscript to read as its argument file: written whole
// before Ghostscript starts, so the pipe must hold them (they are a few hundred bytes).
class ArgumentPipe {
public:
    // Throws std::runtime_error (one-line reason) when an argument cannot be carried or
    // the arguments do not fit.
    explicit ArgumentPipe(const QStringList& arguments);

    // The end Ghostscript reads.
    int descriptor() const { return readEnd_.get(); }

private:
    OwnedDescriptor readEnd_;
};

} // namespace ostrel
