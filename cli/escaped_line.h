// Lines this program prints that hold text it was given (file names, arguments).
#pragma once

#include <QString>

namespace ostrel::cli {

// The line as printed: every control character as \xHH (a line break in a file name
// never splits its line) and a backslash as \\, so that the escape reads back.
QString escapedLine(const QString& line);

} // namespace ostrel::cli
