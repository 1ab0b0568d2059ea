// Readable failure messages for Qt values.
#pragma once

#include <QDebug>
#include <QRect>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{';
    for (const QString& text : texts)
        *out << " \"" << text.toStdString() << '"';
    *out << " }";
}
template <class T> std::string qtDebugText(const T& value) {
    QString text;
    QDebug(&text).nospace() << value;
    return text.toStdString();
}
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << qtDebugText(rect);
}
inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << qtDebugText(point);
}
inline void PrintTo(const QSize& size, std::ostream* out) {
    *out << qtDebugText(size);
}
inline void PrintTo(const QColor& colour, std::ostream* out) {
    *out << qtDebugText(colour);
}
