// File names are bytes. Most are UTF-8, but one copied from an old share may hold bytes
// that are not (Latin-1 "\xE9"). Such a byte is kept in the text as the code point
// U+DC80 to U+DCFF (an unpaired surrogate, which no real text holds), so that the name
// converts to the same bytes again: its file is found, and its PDF gets the same bytes.
#pragma once

#include <QByteArray>
#include <QString>

namespace ostrel {

// The name as text: UTF-8 decoded, every byte that is not part of valid UTF-8 kept.
QString fileNameText(const QByteArray& bytes);

// The bytes the text came from (fileNameText), UTF-8 for all other text.
QByteArray fileNameBytes(const QString& text);

// Whether the name holds bytes that are not UTF-8.
bool holdsForeignBytes(const QString& text);

} // namespace ostrel
