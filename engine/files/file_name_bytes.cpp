#include "file_name_bytes.h"

namespace ostrel {
namespace {

constexpr char16_t kKeptByte = 0xDC00; // U+DC80..U+DCFF: the byte 0x80..0xFF

// The length of the valid UTF-8 sequence at `at`, or 0 when none starts there.
int sequenceLength(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    char32_t code = 0;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

bool isKeptByte(QChar c) {
    return c.unicode() >= kKeptByte + 0x80 && c.unicode() <= kKeptByte + 0xFF;
}

} // namespace

QString fileNameText(const QByteArray& bytes) {
    QString text;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const int length = sequenceLength(bytes, at);
        if (length == 0) {
            text += QChar(static_cast<char16_t>(kKeptByte + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + at, length);
        at += length;
    }
    return text;
}

QByteArray fileNameBytes(const QString& text) {
    QByteArray bytes;
    qsizetype start = 0; // of the text not yet converted
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A kept byte stands alone: a surrogate pair's low half follows a high one.
        const bool paired = i > 0 && text[i - 1].isHighSurrogate();
        if (isKeptByte(text[i]) && !paired) {
            bytes += QStringView(text).mid(start, i - start).toUtf8();
            bytes += static_cast<char>(text[i].unicode() - kKeptByte);
            start = i + 1;
        }
    }
    bytes += QStringView(text).mid(start).toUtf8();
    return bytes;
}

bool holdsForeignBytes(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isKeptByte(text[i]) && !(i > 0 && text[i - 1].isHighSurrogate())) {
            return true;
        }
    }
    return false;
}

} // namespace ostrel
