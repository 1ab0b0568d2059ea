#include "bmp_prog_ctrl.h"

#include "qt_printers.h"
#include <QImage>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// A picture whose every column carries its own index, so that a rendered column tells
// which source column it came from: red = index % 256, green = index / 256, blue 255.
QPixmap numberedColumns(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            image.setPixel(x, y, qRgb(x % 256, x / 256, 255));
        }
    }
    return QPixmap::fromImage(image);
}

bool isFill(QRgb pixel) {
    return qBlue(pixel) == 255 && qRed(pixel) + 256 * qGreen(pixel) < 463;
}

struct Rendered {
    int fillEnd;          // first column that is not drawn from the fill
    int lastSourceColumn; // the fill column the last filled pixel shows
};

Rendered render(CBmpProgCtrl& bar) {
    const QImage image = bar.grab().toImage();
    const int row = image.height() / 2;
    int x = 0;
    while (x < image.width() && isFill(image.pixel(x, row))) {
        ++x;
    }
    const QRgb last = x > 0 ? image.pixel(x - 1, row) : 0;
    return {x, x > 0 ? qRed(last) + 256 * qGreen(last) : -1};
}

class ProgressBar : public ::testing::Test {
protected:
    void SetUp() override {
        // The empty bar is white, so only fill pixels are blue 255 with a column number.
        QPixmap track(463, 24);
        track.fill(Qt::white);
        bar.trackBitmap = track;
        bar.fillBitmap = numberedColumns(463, 24);
        bar.resize(466, 24);
    }
    CBmpProgCtrl bar;
};

TEST_F(ProgressBar, ThreeOfEightTruncatesBothWidths) {
    bar.position = 3;
    bar.range = 8;
    bar.fillVisible = 1;
    const Rendered rendered = render(bar);
    EXPECT_FLOAT_EQ(bar.fillRatio, 0.375f);
    EXPECT_EQ(rendered.fillEnd, 174); // 174.75 truncated
    // 173 source columns (173.625 truncated) stretched over 174: the last shows column 172.
    EXPECT_EQ(rendered.lastSourceColumn, 172);
}

TEST_F(ProgressBar, OneOfThreeTruncatesBothWidths) {
    bar.position = 1;
    bar.range = 3;
    bar.fillVisible = 1;
    const Rendered rendered = render(bar);
    EXPECT_EQ(rendered.fillEnd, 155);
    EXPECT_EQ(rendered.lastSourceColumn, 153); // 154 source columns
}

TEST_F(ProgressBar, FullRangeCoversTheControl) {
    bar.position = 100;
    bar.range = 100;
    bar.fillVisible = 1;
    const Rendered rendered = render(bar);
    EXPECT_EQ(rendered.fillEnd, 466);
    EXPECT_EQ(rendered.lastSourceColumn, 462);
}

// A new bar draws no fill; later only fillVisible 1 shows it.
TEST_F(ProgressBar, FillOnlyWhileFillVisibleIsOne) {
    EXPECT_EQ(render(bar).fillEnd, 0);
    bar.position = 5;
    bar.range = 5;
    for (const int visible : {0, 2, -1}) {
        bar.fillVisible = visible;
        EXPECT_EQ(render(bar).fillEnd, 0) << visible;
    }
}

TEST(ProgressBarPictures, EmptyBarIsWhiteAndFullBarIsBlue) {
    CBmpProgCtrl bar;
    bar.resize(466, 24);
    bar.position = 1;
    bar.range = 2;
    bar.fillVisible = 1;
    const QImage image = bar.grab().toImage();
    const QColor filled = image.pixelColor(100, 12);
    const QColor empty = image.pixelColor(350, 12);
    EXPECT_GT(filled.blue(), filled.red() + 60);
    EXPECT_GT(empty.lightness(), 230);
}

} // namespace
} // namespace ostrel
