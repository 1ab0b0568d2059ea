// The check every input file passes before any office or Ghostscript sees it, shared by
// the command line and the desktop program so that both refuse the same files alike.
#pragma once

#include <QString>

#include <optional>

namespace ostrel {

// Why the file cannot be converted at all: missing, not a regular file (a FIFO or a
// device would block or never end), unreadable, empty. Nothing when it can be.
std::optional<QString> inputProblem(const QString& file);

} // namespace ostrel
