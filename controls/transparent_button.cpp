#include "transparent_button.h"

#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace ostrel {

QPoint ButtonGeometry::iconOrigin(int hoverState) const {
    QPoint origin;
    if (textLength == 0) {
        origin = QPoint((width - iconWidth) / 2, (height - iconHeight) / 2);
    } else if (layout == 0) {
        origin = QPoint(iconLeftMargin, (height - iconHeight) / 2);
    } else {
        origin = QPoint((width - iconWidth) / 2, iconTopMargin);
    }
    if (hoverState == CTransParentButton::Pressed) {
        origin += QPoint(1, 1);
    }
    return origin;
}

QPoint ButtonGeometry::disabledTextOrigin() const {
    // The text width is estimated at four pixels a character, not measured.
    const int w = 4 * textLength;
    if (hasIcon && layout == 0) {
        return QPoint(iconLeftMargin + iconWidth + (width - iconLeftMargin - w - iconWidth) / 2,
                      (height - textHeight) / 2);
    }
    if (hasIcon) {
        return QPoint((width - w) / 2 - 3,
                      iconTopMargin + iconHeight +
                          (height - iconTopMargin - textHeight - iconHeight) / 2);
    }
    return QPoint((width - w) / 2 - 3, (height - textHeight) / 2);
}

QPoint ButtonGeometry::textOrigin(int hoverState) const {
    QPoint origin = disabledTextOrigin();
    if (hoverState == CTransParentButton::Pressed) {
        origin += QPoint(1, 1);
    }
    if (textLength % 2 == 1) {
        origin.rx() -= 1;
    }
    return origin;
}

CTransParentButton::CTransParentButton(QWidget* parent)
    : QPushButton(parent), cursorPos([] { return QCursor::pos(); }) {
    // Drawn entirely by the button itself.
    setFlat(true);
    setMouseTracking(true);
    setAutoDefault(false);
}

void CTransParentButton::Repaint() {
    update();
}

ButtonGeometry CTransParentButton::geometryNow() const {
    // The default font of a fresh device context is the widget's own font here.
    return ButtonGeometry{width(),
                          height(),
                          kIconSize,
                          kIconSize,
                          QFontMetrics(font()).height(),
                          static_cast<int>(text().size()),
                          layout,
                          hasIcon,
                          iconLeftMargin,
                          iconTopMargin};
}

bool CTransParentButton::cursorInside() const {
    return QRect(mapToGlobal(QPoint(0, 0)), size()).contains(cursorPos());
}

void CTransParentButton::saveBackground() {
    // What the parent paints beneath the button (its background and its own picture,
    // not the other children), taken once.
    backgroundDC = QPixmap(size());
    backgroundDC.fill(Qt::transparent);
    if (QWidget* parent = parentWidget()) {
        parent->render(&backgroundDC, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    }
    backgroundSaved = true;
}

void CTransParentButton::paintEvent(QPaintEvent*) {
    if (!backgroundSaved) {
        saveBackground();
    }
    // What the owner-drawn button learns from each draw request: only the disabled state.
    enabledLook = isEnabled();
    if (!enabledLook) {
        hoverState = Normal;
    }

    QPainter painter(this);
    painter.drawPixmap(0, 0, backgroundDC);
    drawFrame(painter);
    const ButtonGeometry geometry = geometryNow();
    drawIcon(painter, geometry);
    drawText(painter, geometry);
}

void CTransParentButton::drawFrame(QPainter& painter) const {
    if (!enabledLook) {
        return;
    }
    QColor brush;
    if (hoverState == MouseOver || hoverState == ReleasedInside) {
        brush = QColor(160, 210, 237);
    } else if (hoverState == Pressed) {
        brush = QColor(120, 190, 237);
    } else {
        return;
    }
    painter.save();
    painter.setPen(QPen(QColor(170, 210, 237), 1));
    painter.setBrush(brush);
    painter.setRenderHint(QPainter::Antialiasing);
    // A 5 x 5 corner ellipse over the whole client rectangle.
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
    painter.restore();
}

void CTransParentButton::drawIcon(QPainter& painter, const ButtonGeometry& geometry) const {
    const QPoint origin = geometry.iconOrigin(hoverState);
    const QSize size(kIconSize, kIconSize);
    if (!enabledLook) {
        painter.drawPixmap(origin, normalIcon.pixmap(size, QIcon::Disabled));
        return;
    }
    const QIcon& icon = hoverState == Normal ? normalIcon : hotIcon;
    if (!icon.isNull()) {
        painter.drawPixmap(origin, icon.pixmap(size));
    }
}

void CTransParentButton::drawText(QPainter& painter, const ButtonGeometry& geometry) const {
    const QString label = text();
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine;
    if (!enabledLook) {
        // Greyed and embossed, in the default font.
        const QPoint origin = geometry.disabledTextOrigin();
        const QRect box(origin, QSize(width(), height()));
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(box.translated(1, 1), flags, label);
        painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.drawText(box, flags, label);
        return;
    }
    // Small white Arial: 10 pixels high, 4 pixels an average character.
    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(10);
    const int average = QFontMetrics(small).averageCharWidth();
    if (average > 4) {
        small.setStretch(400 / average);
    }
    painter.setFont(small);
    painter.setPen(Qt::white);
    painter.drawText(QRect(geometry.textOrigin(hoverState), QSize(width(), height())), flags,
                     label);
}

void CTransParentButton::mouseMoveEvent(QMouseEvent* event) {
    // While the left button is held the move is ignored completely.
    if (event->buttons() & Qt::LeftButton) {
        event->accept();
        return;
    }
    if (!mouseOver && enabledLook) {
        mouseOver = true;
        hoverState = MouseOver;
        Repaint();
        hoverTimer_ = startTimer(10);
    }
    QPushButton::mouseMoveEvent(event);
}

void CTransParentButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        hoverState = Pressed;
        Repaint();
    }
    QPushButton::mousePressEvent(event);
}

void CTransParentButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        hoverState = cursorInside() ? ReleasedInside : Normal;
        Repaint();
    }
    QPushButton::mouseReleaseEvent(event);
}

void CTransParentButton::timerEvent(QTimerEvent* event) {
    if (hoverTimer_ == 0 || event->timerId() != hoverTimer_) {
        return;
    }
    if (!cursorInside() && mouseOver && enabledLook) {
        killTimer(hoverTimer_);
        hoverTimer_ = 0;
        hoverState = Normal;
        mouseOver = false;
        Repaint();
    }
}

} // namespace ostrel
