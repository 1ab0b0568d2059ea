// The main window's header buttons: no face of their own, a copy of what lies beneath them
// in the parent as background, a light-blue rounded rectangle while hovered or pressed, an
// icon and small white text. Hovering is found by polling the cursor every 10 ms.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <functional>

namespace ostrel {

// Where the button draws its icon and its text (top left corners), in button pixels.
struct ButtonGeometry {
    int width;      // W
    int height;     // H
    int iconWidth;  // cx
    int iconHeight; // cy
    int textHeight; // th, measured in the default font
    int textLength; // n, in characters
    int layout;     // 0 icon left of the text, 1 icon above it
    bool hasIcon;
    int iconLeftMargin;
    int iconTopMargin;

    QPoint iconOrigin(int hoverState) const;
    // Enabled text: pressed one pixel right and down, odd lengths one pixel left.
    QPoint textOrigin(int hoverState) const;
    // Disabled text: neither offset.
    QPoint disabledTextOrigin() const;
};

class CTransParentButton : public QPushButton {
    Q_OBJECT
public:
    explicit CTransParentButton(QWidget* parent = nullptr);

    enum HoverState { MouseOver = 0, Normal = 1, ReleasedInside = 2, Pressed = 3 };

    QPixmap backgroundDC; // the parent's pixels under the button
    bool backgroundSaved = false;
    bool mouseOver = false; // the hover timer is running
    bool enabledLook = true;
    bool hasIcon = false;
    int iconTopMargin = 5;  // layout 1
    int iconLeftMargin = 5; // layout 0
    int hoverState = Normal;
    int layout = 0;
    QIcon hotIcon;    // states 0, 2 and 3
    QIcon normalIcon; // state 1, and greyed while disabled

    // The hover timer's id while it runs, 0 otherwise.
    int hoverTimer() const { return hoverTimer_; }
    // Where the cursor is, in screen coordinates; replaceable for tests.
    std::function<QPoint()> cursorPos;

    void Repaint();
    ButtonGeometry geometryNow() const;

    static constexpr int kIconSize = 32; // the system icon size

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void saveBackground();
    bool cursorInside() const;
    void drawFrame(QPainter& painter) const;
    void drawIcon(QPainter& painter, const ButtonGeometry& geometry) const;
    void drawText(QPainter& painter, const ButtonGeometry& geometry) const;

    int hoverTimer_ = 0;
};

} // namespace ostrel
