#include "resource_ids.h"
#include "transparent_button.h"

#include "qt_printers.h"
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimerEvent>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(ButtonGeometry, HelpAboveItsIcon) {
    const ButtonGeometry help{60, 55, 32, 32, 16, 4, 1, true, 5, 10};
    EXPECT_EQ(help.iconOrigin(CTransParentButton::Normal), QPoint(14, 10));
    EXPECT_EQ(help.textOrigin(CTransParentButton::Normal), QPoint(19, 41));
    // Pressed: both move one pixel right and down.
    EXPECT_EQ(help.iconOrigin(CTransParentButton::Pressed), QPoint(15, 11));
    EXPECT_EQ(help.textOrigin(CTransParentButton::Pressed), QPoint(20, 42));
}

TEST(ButtonGeometry, OddLengthsShiftOnePixelLeft) {
    const ButtonGeometry about{60, 55, 32, 32, 16, 5, 1, true, 5, 10};
    // (60 - 20) / 2 - 3 = 17, one left for the odd length.
    EXPECT_EQ(about.textOrigin(CTransParentButton::Normal).x(), 16);
    EXPECT_EQ(about.disabledTextOrigin().x(), 17);
    const ButtonGeometry website{60, 55, 32, 32, 16, 7, 1, true, 5, 10};
    EXPECT_EQ(website.textOrigin(CTransParentButton::MouseOver).x(), (60 - 28) / 2 - 3 - 1);
}

TEST(ButtonGeometry, IconLeftOfTheText) {
    const ButtonGeometry button{100, 40, 32, 32, 16, 4, 0, true, 5, 10};
    EXPECT_EQ(button.iconOrigin(CTransParentButton::Normal), QPoint(5, 4));
    EXPECT_EQ(button.textOrigin(CTransParentButton::Normal),
              QPoint(5 + 32 + (100 - 5 - 16 - 32) / 2, (40 - 16) / 2));
}

TEST(ButtonGeometry, WithoutTextTheIconIsCentred) {
    for (const int layout : {0, 1}) {
        const ButtonGeometry button{60, 55, 32, 32, 16, 0, layout, true, 5, 10};
        EXPECT_EQ(button.iconOrigin(CTransParentButton::Normal), QPoint(14, 11));
    }
    const ButtonGeometry noIcon{60, 55, 32, 32, 16, 4, 1, false, 5, 10};
    EXPECT_EQ(noIcon.textOrigin(CTransParentButton::Normal), QPoint(19, 19));
}

// A parent painting a plain colour under a header button.
class HeaderButton : public ::testing::Test {
protected:
    void SetUp() override {
        parent.setAutoFillBackground(true);
        paintParent(QColor(20, 60, 140));
        parent.resize(200, 100);
        button = new CTransParentButton(&parent);
        button->setText(QStringLiteral("Help"));
        button->setGeometry(40, 10, 60, 55);
        button->cursorPos = [this] { return cursor; };
        parent.show();
    }
    void paintParent(const QColor& colour) {
        QPalette palette = parent.palette();
        palette.setColor(QPalette::Window, colour);
        parent.setPalette(palette);
    }
    QPoint globalInside() const { return button->mapToGlobal(QPoint(30, 30)); }
    QPoint globalOutside() const { return button->mapToGlobal(QPoint(100, 100)); }

    void mouse(QEvent::Type type, Qt::MouseButton which, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(30, 30), QPointF(cursor), which, held, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &event);
    }
    void tick() {
        QTimerEvent event(button->hoverTimer());
        QCoreApplication::sendEvent(button, &event);
    }
    QColor pixel(int x, int y) { return button->grab().toImage().pixelColor(x, y); }

    QWidget parent;
    CTransParentButton* button = nullptr;
    QPoint cursor;
};

TEST_F(HeaderButton, HoverPressReleaseAndLeave) {
    // A new button shows the parent's picture and polls nothing.
    EXPECT_EQ(pixel(30, 50), QColor(20, 60, 140));
    EXPECT_EQ(button->hoverTimer(), 0);
    cursor = globalInside();
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(button->hoverState, CTransParentButton::MouseOver);
    EXPECT_TRUE(button->mouseOver);
    ASSERT_NE(button->hoverTimer(), 0);
    EXPECT_EQ(pixel(30, 50), QColor(160, 210, 237));

    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(button->hoverState, CTransParentButton::Pressed);
    EXPECT_EQ(pixel(30, 50), QColor(120, 190, 237));

    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(button->hoverState, CTransParentButton::ReleasedInside);

    tick(); // still inside: nothing changes
    EXPECT_EQ(button->hoverState, CTransParentButton::ReleasedInside);
    cursor = globalOutside();
    tick();
    EXPECT_EQ(button->hoverState, CTransParentButton::Normal);
    EXPECT_FALSE(button->mouseOver);
    EXPECT_EQ(button->hoverTimer(), 0);
    EXPECT_EQ(pixel(30, 50), QColor(20, 60, 140)); // the parent's picture again
}

TEST_F(HeaderButton, MovesWithTheLeftButtonHeldAreIgnored) {
    cursor = globalInside();
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(button->hoverState, CTransParentButton::Normal);
    EXPECT_FALSE(button->mouseOver);
    EXPECT_EQ(button->hoverTimer(), 0);
}

TEST_F(HeaderButton, ReleasedOutsideLooksNormalButKeepsPolling) {
    cursor = globalInside();
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    cursor = globalOutside();
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(button->hoverState, CTransParentButton::Normal);
    EXPECT_TRUE(button->mouseOver);
    tick();
    EXPECT_FALSE(button->mouseOver);
}

TEST_F(HeaderButton, DisabledLooksNormalAndItsTimerChangesNothing) {
    cursor = globalInside();
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    button->setEnabled(false);
    (void)pixel(0, 0); // a draw request
    EXPECT_FALSE(button->enabledLook);
    EXPECT_EQ(button->hoverState, CTransParentButton::Normal);
    cursor = globalOutside();
    tick();
    EXPECT_TRUE(button->mouseOver); // the timer waits for the enabled look
    EXPECT_NE(button->hoverTimer(), 0);
    EXPECT_EQ(pixel(30, 50), QColor(20, 60, 140)); // no rounded rectangle
}

TEST_F(HeaderButton, BackgroundIsCopiedOnceFromTheParent) {
    EXPECT_EQ(pixel(30, 50), QColor(20, 60, 140));
    EXPECT_TRUE(button->backgroundSaved);
    paintParent(QColor(250, 250, 0));
    EXPECT_EQ(pixel(30, 50), QColor(20, 60, 140));
}

TEST_F(HeaderButton, IconAndWhiteTextWhereTheGeometrySays) {
    button->normalIcon = button->hotIcon = loadIcon(IDI_HELP);
    button->hasIcon = true;
    button->iconTopMargin = 10;
    button->layout = 1;
    button->Repaint();
    const QImage image = button->grab().toImage();
    // The icon's blue ball fills its middle.
    const QPoint icon = button->geometryNow().iconOrigin(CTransParentButton::Normal);
    EXPECT_EQ(icon, QPoint(14, 10));
    const QColor ball = image.pixelColor(icon + QPoint(5, 16));
    EXPECT_GT(ball.blue(), ball.red() + 60);
    // White letters somewhere in the text's row below the icon.
    const QPoint text = button->geometryNow().textOrigin(CTransParentButton::Normal);
    int white = 0;
    for (int x = text.x(); x < text.x() + 16; ++x) {
        for (int y = text.y(); y < text.y() + 10; ++y) {
            white += image.pixelColor(x, y).lightness() > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(white, 5);
}

} // namespace
} // namespace ostrel

namespace ostrel {
namespace {

TEST_F(HeaderButton, SpaceClicksWithoutChangingTheLook) {
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    button->setFocus();
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(button, &key);
    }
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->hoverState, CTransParentButton::Normal);
    EXPECT_EQ(pixel(30, 50), QColor(20, 60, 140));
}

} // namespace
} // namespace ostrel
