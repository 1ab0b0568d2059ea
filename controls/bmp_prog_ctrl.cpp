#include "bmp_prog_ctrl.h"

#include "resource_ids.h"

#include <QPainter>

namespace ostrel {

CBmpProgCtrl::CBmpProgCtrl(QWidget* parent)
    : QLabel(parent), trackBitmap(loadBitmap(IDB_PROGRESS_TRACK)),
      fillBitmap(loadBitmap(IDB_PROGRESS_FILL)) {
}

void CBmpProgCtrl::paintEvent(QPaintEvent*) {
    fillRatio = static_cast<float>(static_cast<double>(position) / range);
    QPainter painter(this);
    clientRect = rect();
    const int width = clientRect.width();
    const int height = clientRect.height();
    // The pictures are stretched without smoothing, pixel for pixel like the system's
    // default stretch, so the fill keeps the track's horizontal scale.
    if (!trackBitmap.isNull()) {
        painter.drawPixmap(QRect(0, 0, width, height), trackBitmap, trackBitmap.rect());
    }
    if (fillVisible == 1 && !fillBitmap.isNull()) {
        const int sourceWidth =
            static_cast<int>(fillBitmap.width() * static_cast<double>(fillRatio));
        const int destinationWidth = static_cast<int>(width * static_cast<double>(fillRatio));
        // An empty source would mean the whole picture to Qt; the system draws nothing.
        if (sourceWidth > 0 && destinationWidth > 0) {
            painter.drawPixmap(QRect(0, 0, destinationWidth, height), fillBitmap,
                               QRect(0, 0, sourceWidth, fillBitmap.height()));
        }
    }
}

} // namespace ostrel
