#include "enable_edit.h"
#include "tab_ctrl_ex.h"

#include "qt_printers.h"
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTabBar>
#include <QTextCursor>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

void press(QWidget& widget, int key, const QString& text = {}) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&widget, &up);
}

class StatusEdit : public ::testing::Test {
protected:
    void SetUp() override {
        edit.setText(QStringLiteral("Ready"));
        QTextCursor cursor = edit.textCursor();
        cursor.setPosition(2);
        edit.setTextCursor(cursor);
    }
    CEnableEdit edit;
};

TEST_F(StatusEdit, TypedCharactersNeverReachTheText) {
    press(edit, Qt::Key_A, QStringLiteral("a"));
    press(edit, Qt::Key_Space, QStringLiteral(" "));
    press(edit, Qt::Key_Backspace, QStringLiteral("\b"));
    press(edit, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(edit.text(), QStringLiteral("Ready"));
    EXPECT_EQ(edit.textCursor().position(), 2);
}

TEST_F(StatusEdit, KeyDownKeysStillWork) {
    press(edit, Qt::Key_Right);
    EXPECT_EQ(edit.textCursor().position(), 3);
    press(edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral("Reay"));
    press(edit, Qt::Key_Home);
    EXPECT_EQ(edit.textCursor().position(), 0);
}

TEST_F(StatusEdit, ProgramTextIsShownOnOneLine) {
    edit.setText(QStringLiteral("Not started."));
    EXPECT_EQ(edit.text(), QStringLiteral("Not started."));
    EXPECT_EQ(edit.lineWrapMode(), QPlainTextEdit::NoWrap);
    CEnableEdit notice(nullptr, true);
    EXPECT_EQ(notice.lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

QColor emptyAreaColour(CTabCtrlEx::Variant variant) {
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, QColor(200, 40, 40));
    parent.setPalette(palette);
    parent.resize(300, 200);
    CTabCtrlEx tabs(&parent, variant);
    tabs.setGeometry(0, 0, 300, 200);
    tabs.InsertItem(0, QStringLiteral("Description"));
    tabs.InsertItem(1, QStringLiteral("Security"));
    // Beside the tabs, above the pane: nothing but what the control erases.
    return parent.grab().toImage().pixelColor(290, 5);
}

TEST(TabControl, DesktopErasesWhite) {
    EXPECT_EQ(emptyAreaColour(CTabCtrlEx::Variant::Desktop), QColor(Qt::white));
}

TEST(TabControl, AddInNeverErases) {
    EXPECT_EQ(emptyAreaColour(CTabCtrlEx::Variant::AddIn), QColor(200, 40, 40));
}

TEST(TabControl, HitTestFindsTheTabHeaders) {
    CTabCtrlEx tabs;
    tabs.resize(400, 200);
    tabs.InsertItem(0, QStringLiteral("Description"));
    tabs.InsertItem(1, QStringLiteral("Security"));
    tabs.InsertItem(2, QStringLiteral("Advanced"));
    const QRect second = tabs.tabBar()->tabRect(1).translated(tabs.tabBar()->pos());
    EXPECT_EQ(tabs.HitTest(second.center()), 1);
    EXPECT_EQ(tabs.HitTest(QPoint(200, 150)), -1);
    EXPECT_EQ(tabs.GetItemCount(), 3);
}

} // namespace
} // namespace ostrel
