#include "escaped_line.h"

namespace ostrel::cli {

QString escapedLine(const QString& line) {
    QString escaped;
    for (const QChar c : line) {
        if (c == QLatin1Char('\\')) {
            escaped += QStringLiteral("\\\\");
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace ostrel::cli
