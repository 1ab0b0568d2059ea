// Draws the program's pictures into PNG files at build time:
//   make_artwork <output folder>
// writes bitmaps/<id>.png and icons/<id>.png, named after their resource ids.
#include "product.h"

#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor kDeepBlue(12, 58, 120);
const QColor kBlue(28, 102, 190);
const QColor kLightBlue(96, 170, 240);

QImage canvas(int width, int height, const QColor& fill = Qt::transparent) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

void antialias(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

QFont boldFont(qreal pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(static_cast<int>(pixels));
    font.setBold(true);
    return font;
}

// The rounded outline of the progress bar pictures.
QPainterPath barOutline(const QRectF& rect) {
    QPainterPath path;
    const qreal radius = rect.height() / 2.0;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QImage progressTrack() {
    QImage image = canvas(463, 24, Qt::white);
    QPainter painter(&image);
    antialias(painter);
    const QRectF rect(0.5, 0.5, 462, 23);
    QLinearGradient shade(0, 0, 0, 24);
    shade.setColorAt(0.0, QColor(236, 238, 241));
    shade.setColorAt(0.35, Qt::white);
    shade.setColorAt(1.0, QColor(246, 247, 249));
    painter.setBrush(shade);
    painter.setPen(QPen(QColor(160, 166, 174), 1.0));
    painter.drawPath(barOutline(rect));
    return image;
}

QImage progressFill() {
    QImage image = canvas(463, 24, Qt::white);
    QPainter painter(&image);
    antialias(painter);
    const QRectF rect(0.5, 0.5, 462, 23);
    const QPainterPath outline = barOutline(rect);

    QLinearGradient body(0, 0, 0, 24);
    body.setColorAt(0.0, QColor(120, 186, 246));
    body.setColorAt(0.5, QColor(46, 128, 220));
    body.setColorAt(1.0, QColor(22, 84, 170));
    painter.setPen(Qt::NoPen);
    painter.setBrush(body);
    painter.drawPath(outline);

    // Diagonal stripes, lighter bands leaning to the right.
    painter.save();
    painter.setClipPath(outline);
    painter.setBrush(QColor(255, 255, 255, 46));
    for (int x = -24; x < 463 + 24; x += 16) {
        QPolygonF stripe;
        stripe << QPointF(x, 24) << QPointF(x + 8, 24) << QPointF(x + 8 + 24, 0)
               << QPointF(x + 24, 0);
        painter.drawPolygon(stripe);
    }
    // A soft gloss over the upper half.
    QLinearGradient gloss(0, 0, 0, 12);
    gloss.setColorAt(0.0, QColor(255, 255, 255, 110));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 10));
    painter.setBrush(gloss);
    painter.drawRoundedRect(QRectF(2, 1.5, 459, 10), 5, 5);
    painter.restore();

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(26, 74, 140), 1.0));
    painter.drawPath(outline);
    return image;
}

// A glossy blue ball, the face of the About and Help icons.
void drawBall(QPainter& painter, const QRectF& rect, const QColor& light, const QColor& dark) {
    QRadialGradient face(rect.center().x() - rect.width() * 0.18,
                         rect.center().y() - rect.height() * 0.22, rect.width() * 0.75);
    face.setColorAt(0.0, light);
    face.setColorAt(1.0, dark);
    painter.setPen(QPen(dark.darker(130), 1.0));
    painter.setBrush(face);
    painter.drawEllipse(rect);
    QLinearGradient gloss(rect.topLeft(), QPointF(rect.left(), rect.center().y()));
    gloss.setColorAt(0.0, QColor(255, 255, 255, 170));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gloss);
    painter.drawEllipse(QRectF(rect.left() + rect.width() * 0.18, rect.top() + 1.5,
                               rect.width() * 0.64, rect.height() * 0.45));
}

QImage aboutIcon() {
    QImage image = canvas(32, 32);
    QPainter painter(&image);
    antialias(painter);
    drawBall(painter, QRectF(1.5, 1.5, 29, 29), kLightBlue, kBlue);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(13.5, 6.5, 5, 5));
    painter.drawRoundedRect(QRectF(13.75, 13, 4.5, 12.5), 1.5, 1.5);
    painter.drawRoundedRect(QRectF(11.5, 13, 5, 2.5), 1, 1);
    painter.drawRoundedRect(QRectF(11.5, 23.5, 9, 2.5), 1, 1);
    return image;
}

QImage helpIcon() {
    QImage image = canvas(32, 32);
    QPainter painter(&image);
    antialias(painter);
    drawBall(painter, QRectF(1.5, 1.5, 29, 29), kLightBlue, kBlue);
    painter.setPen(Qt::white);
    painter.setFont(boldFont(21));
    painter.drawText(QRectF(0, 0.5, 32, 32), Qt::AlignCenter, QStringLiteral("?"));
    return image;
}

QImage websiteIcon() {
    QImage image = canvas(32, 32);
    QPainter painter(&image);
    antialias(painter);
    const QRectF globe(1.5, 1.5, 29, 29);
    drawBall(painter, globe, QColor(120, 200, 250), QColor(20, 100, 180));

    QPainterPath clip;
    clip.addEllipse(globe);
    painter.setClipPath(clip);
    // Land masses.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(70, 170, 70));
    QPainterPath land;
    land.moveTo(5, 9);
    land.cubicTo(9, 5, 15, 6, 14, 11);
    land.cubicTo(13, 15, 9, 14, 10, 19);
    land.cubicTo(10, 23, 6, 22, 4, 17);
    land.closeSubpath();
    land.moveTo(18, 14);
    land.cubicTo(22, 12, 28, 14, 27, 19);
    land.cubicTo(26, 24, 21, 27, 19, 23);
    land.cubicTo(17, 20, 16, 16, 18, 14);
    land.closeSubpath();
    painter.drawPath(land);
    // Meridians and parallels.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 150), 1.0));
    painter.drawEllipse(QRectF(9.5, 1.5, 13, 29));
    painter.drawLine(QPointF(16, 1.5), QPointF(16, 30.5));
    painter.drawLine(QPointF(1.5, 16), QPointF(30.5, 16));
    painter.drawLine(QPointF(4, 9), QPointF(28, 9));
    painter.drawLine(QPointF(4, 23), QPointF(28, 23));
    painter.setClipping(false);
    painter.setPen(QPen(QColor(10, 70, 140), 1.0));
    painter.drawEllipse(globe);
    return image;
}

// The product's logo: a document sheet with a folded corner and a red PDF ribbon.
void drawLogo(QPainter& painter, const QRectF& box) {
    const qreal s = box.width() / 64.0;
    painter.save();
    painter.translate(box.topLeft());
    painter.scale(s, s);

    QPainterPath sheet;
    sheet.moveTo(12, 3);
    sheet.lineTo(40, 3);
    sheet.lineTo(54, 17);
    sheet.lineTo(54, 61);
    sheet.lineTo(12, 61);
    sheet.closeSubpath();
    QLinearGradient paper(0, 0, 64, 64);
    paper.setColorAt(0.0, Qt::white);
    paper.setColorAt(1.0, QColor(222, 230, 240));
    painter.setPen(QPen(QColor(90, 110, 140), 2.0));
    painter.setBrush(paper);
    painter.drawPath(sheet);

    QPainterPath fold;
    fold.moveTo(40, 3);
    fold.lineTo(40, 17);
    fold.lineTo(54, 17);
    fold.closeSubpath();
    painter.setBrush(QColor(190, 204, 222));
    painter.drawPath(fold);

    // Lines of text on the sheet.
    painter.setPen(QPen(QColor(46, 110, 200), 3.0, Qt::SolidLine, Qt::RoundCap));
    for (int y = 14; y <= 30; y += 8) {
        painter.drawLine(QPointF(18, y), QPointF(y == 14 ? 34 : 48, y));
    }

    // The ribbon.
    QLinearGradient red(0, 34, 0, 56);
    red.setColorAt(0.0, QColor(236, 70, 60));
    red.setColorAt(1.0, QColor(176, 20, 22));
    painter.setPen(QPen(QColor(130, 10, 10), 1.5));
    painter.setBrush(red);
    painter.drawRoundedRect(QRectF(4, 36, 50, 20), 4, 4);
    painter.setPen(Qt::white);
    painter.setFont(boldFont(15));
    painter.drawText(QRectF(4, 36, 50, 20), Qt::AlignCenter, QStringLiteral("PDF"));
    painter.restore();
}

QImage logo(int size) {
    QImage image = canvas(size, size);
    QPainter painter(&image);
    antialias(painter);
    drawLogo(painter, QRectF(0, 0, size, size));
    return image;
}

// The blue ground of the header and the banner: a horizontal gradient with soft arcs.
void drawBlueGround(QPainter& painter, const QSize& size) {
    QLinearGradient ground(0, 0, size.width(), size.height());
    ground.setColorAt(0.0, kDeepBlue);
    ground.setColorAt(0.55, kBlue);
    ground.setColorAt(1.0, kLightBlue);
    painter.fillRect(QRect(QPoint(0, 0), size), ground);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 18));
    const qreal w = size.width();
    const qreal h = size.height();
    painter.drawEllipse(QPointF(w * 0.78, h * 1.9), w * 0.45, h * 1.6);
    painter.drawEllipse(QPointF(w * 0.95, -h * 0.9), w * 0.35, h * 1.5);
    QLinearGradient sheen(0, 0, 0, h);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 40));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    painter.fillRect(QRectF(0, 0, w, h), sheen);
}

void drawTitle(QPainter& painter, const QPointF& baseline, qreal pixels, const QString& text) {
    painter.setFont(boldFont(pixels));
    painter.setPen(QColor(0, 0, 30, 90));
    painter.drawText(baseline + QPointF(1, 1), text);
    painter.setPen(Qt::white);
    painter.drawText(baseline, text);
}

QImage header() {
    QImage image = canvas(640, 66);
    QPainter painter(&image);
    antialias(painter);
    drawBlueGround(painter, image.size());
    drawLogo(painter, QRectF(8, 8, 48, 48));
    // The header buttons start at about x = 280: the name must end before them.
    const QString name = QString::fromUtf8(ostrel::kProductCaption);
    qreal pixels = 20;
    while (pixels > 12 && QFontMetricsF(boldFont(pixels)).horizontalAdvance(name) > 206) {
        pixels -= 1;
    }
    drawTitle(painter, QPointF(62, 32), pixels, name);
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(11);
    painter.setFont(small);
    painter.setPen(QColor(210, 230, 255));
    painter.drawText(QPointF(63, 50), QStringLiteral("Word documents to PDF"));
    return image;
}

QImage aboutBanner() {
    QImage image = canvas(380, 113);
    QPainter painter(&image);
    antialias(painter);
    drawBlueGround(painter, image.size());
    drawLogo(painter, QRectF(18, 20, 72, 72));
    drawTitle(painter, QPointF(104, 56), 22, QStringLiteral("Ostrel Word To PDF"));
    QFont version(QStringLiteral("DejaVu Sans"));
    version.setPixelSize(14);
    painter.setFont(version);
    painter.setPen(QColor(220, 236, 255));
    painter.drawText(QPointF(106, 80), QStringLiteral("Version 3.0"));
    return image;
}

// The bars are 24-bit pictures; icons and the logo keep their transparency.
bool save(const QImage& image, const QString& path, bool opaque = false) {
    const QImage out = opaque ? image.convertToFormat(QImage::Format_RGB32) : image;
    if (!out.save(path)) {
        std::fprintf(stderr, "make_artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("bitmaps"));
    out.mkpath(QStringLiteral("icons"));
    auto bitmap = [&](int id) { return out.filePath(QStringLiteral("bitmaps/%1.png").arg(id)); };
    auto icon = [&](int id) { return out.filePath(QStringLiteral("icons/%1.png").arg(id)); };

    const bool ok = save(header(), bitmap(2), true) && save(progressTrack(), bitmap(137), true) &&
                    save(progressFill(), bitmap(138), true) &&
                    save(aboutBanner(), bitmap(140), true) && save(logo(32), bitmap(141)) &&
                    save(logo(64), icon(128)) && save(aboutIcon(), icon(131)) &&
                    save(helpIcon(), icon(133)) && save(websiteIcon(), icon(146));
    return ok ? 0 : 1;
}
