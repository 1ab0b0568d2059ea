#include "button_picture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace kestrine {
namespace {

const QColor kDarkGrey(128, 128, 128);
const QColor kGrey(192, 192, 192);
const QColor kLightGrey(223, 223, 223);

// A page with a folded corner and a red "PDF" band, in the standard greys.
QImage drawPage(int size) {
    QImage image(size, size, QImage::Format_RGB888);
    image.fill(kGrey);
    QPainter painter(&image);
    const qreal unit = size / 32.0;
    painter.scale(unit, unit);
    const QPolygonF page({{6, 2}, {21, 2}, {27, 8}, {27, 30}, {6, 30}});
    painter.setPen(QPen(kDarkGrey, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(page);
    painter.setBrush(kLightGrey);
    painter.drawPolygon(QPolygonF({{21, 2}, {21, 8}, {27, 8}}));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 16, 16));
    painter.drawRect(QRectF(3, 15, 22, 10));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(8);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(3, 15, 22, 10), Qt::AlignCenter, QStringLiteral("PDF"));
    return image;
}

} // namespace

QImage buttonPicture() {
    QImage image = drawPage(32);
    const QPalette palette = QGuiApplication::palette();
    const std::pair<QRgb, QRgb> mapping[] = {
        {kDarkGrey.rgb(), palette.color(QPalette::Dark).rgb()},
        {kGrey.rgb(), palette.color(QPalette::Button).rgb()},
        {kLightGrey.rgb(), palette.color(QPalette::Light).rgb()},
    };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            for (const auto& [from, to] : mapping) {
                if (pixel == from) {
                    image.setPixel(x, y, to);
                    break;
                }
            }
        }
    }
    return image;
}

void putButtonPictureOnClipboard() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return;
    }
    QGuiApplication::clipboard()->setImage(buttonPicture());
}

QIcon dialogIcon() {
    QIcon icon;
    for (const int size : {16, 32}) {
        icon.addPixmap(QPixmap::fromImage(drawPage(size)));
    }
    return icon;
}

} // namespace kestrine
