// Texts as PostScript string objects for the side file.
#pragma once

#include <QByteArray>
#include <QString>

namespace ostrel {

// A PostScript string that Ghostscript reads back as exactly `text`, and that lands
// in the PDF's document information unchanged:
// - ASCII text as a literal string, "(" ... ")", with '(', ')' and '\' escaped,
//   carriage returns as "\r" (a bare one would be read as a line feed), other
//   control characters in octal; line feeds stay as they are;
// - any other text as UTF-16BE with a byte-order mark in hexadecimal, "<FEFF...>",
//   which PDF readers take as Unicode.
QByteArray postScriptString(const QString& text);

} // namespace ostrel
