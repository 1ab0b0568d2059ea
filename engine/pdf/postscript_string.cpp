#include "postscript_string.h"

namespace ostrel {
namespace {

bool isAscii(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0x7E) {
            return false;
        }
    }
    return true;
}

QByteArray literalString(const QString& text) {
    QByteArray result("(");
    for (const QChar c : text) {
        const auto code = static_cast<char>(c.unicode());
        switch (code) {
        case '(':
        case ')':
        case '\\':
            result += '\\';
            result += code;
            break;
        case '\r':
            result += "\\r";
            break;
        default:
            if (code < 0x20 && code != '\n' && code != '\t') {
                result += '\\';
                result += QByteArray::number(static_cast<int>(code), 8).rightJustified(3, '0');
            } else {
                result += code;
            }
        }
    }
    result += ')';
    return result;
}

QByteArray unicodeString(const QString& text) {
    QByteArray result("<FEFF");
    for (const QChar c : text) {
        result += QByteArray::number(c.unicode(), 16).toUpper().rightJustified(4, '0');
    }
    result += '>';
    return result;
}

} // namespace

QByteArray postScriptString(const QString& text) {
    return isAscii(text) ? literalString(text) : unicodeString(text);
}

} // namespace ostrel
