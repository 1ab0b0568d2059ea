#include "clipboard_picture.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

namespace ostrel::bridge {

std::vector<std::uint8_t> clipboardPicturePng() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        return {};
    }
    const QImage image = clipboard->image();
    if (image.isNull()) {
        return {};
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        return {};
    }
    return std::vector<std::uint8_t>(png.begin(), png.end());
}

} // namespace ostrel::bridge
