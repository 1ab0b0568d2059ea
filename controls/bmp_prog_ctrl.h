// The convert page's progress bar: the empty bar across the whole control and, over it,
// the left part of the full bar in proportion to position / range.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QRect>

namespace ostrel {

class CBmpProgCtrl : public QLabel {
    Q_OBJECT
public:
    explicit CBmpProgCtrl(QWidget* parent = nullptr);

    // Written by the owner (the batch run from its worker too), then the control is
    // repainted with update().
    int position = 1;
    int range = 1; // positive
    float fillRatio = 0.0f;
    QRect clientRect;
    QPixmap trackBitmap; // picture 137
    QPixmap fillBitmap;  // picture 138
    int fillVisible = 0; // the fill is drawn only while this is 1

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ostrel
