#include "dialog_template.h"

#include "qt_printers.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(DialogUnits, WindowsRounding) {
    EXPECT_EQ(DialogUnits::mulDiv(311, 6, 4), 467); // 466.5 rounds away from zero
    EXPECT_EQ(DialogUnits::mulDiv(15, 14, 8), 26);  // 26.25
    EXPECT_EQ(DialogUnits::mulDiv(-3, 6, 4), -5);   // -4.5
    EXPECT_EQ(DialogUnits::mulDiv(0, 6, 4), 0);
}

TEST(DialogUnits, FromTheDesktopDialogFont) {
    // The offscreen desktop's dialog font: the 52 letters average 6.9 pixels (7 the
    // Windows way) and lines are 14 pixels high.
    const DialogUnits units(QApplication::font());
    EXPECT_EQ(units.baseX(), 7);
    EXPECT_EQ(units.baseY(), 14);
    EXPECT_EQ(units.rect(7, 180, 311, 15), QRect(12, 315, 544, 26));
}

TEST(DialogUnits, ScaleWithTheFont) {
    QFont big = QApplication::font();
    big.setPointSizeF(big.pointSizeF() * 2);
    const DialogUnits small(QApplication::font());
    const DialogUnits large(big);
    EXPECT_NEAR(large.baseX(), 2 * small.baseX(), 1);
    EXPECT_NEAR(large.baseY(), 2 * small.baseY(), 2);
}

const DialogTemplate kSample{99,
                             "Sample",
                             200,
                             100,
                             8,
                             {
                                 {Kind::Label, IDC_STATIC, "Name", 4, 4, 30, 8},
                                 {Kind::Edit, 10, "", 40, 4, 100, 14, ES_AUTOHSCROLL | ES_PASSWORD},
                                 {Kind::Edit, 11, "", 40, 20, 100, 40, ES_MULTILINE | WS_VSCROLL},
                                 {Kind::CheckBox, 12, "Tick", 4, 64, 50, 8, WS_DISABLED},
                                 {Kind::ComboBox, 13, "", 60, 64, 80, 60, CBS_DROPDOWN},
                                 {Kind::ListBox, 14, "", 4, 76, 50, 20, LBS_EXTENDEDSEL},
                                 {Kind::PushButton, IDOK, "OK", 150, 80, 40, 14, BS_DEFPUSHBUTTON},
                             }};

TEST(DialogTemplate, CreatesEveryRowInPlace) {
    QWidget dialog;
    const DialogControls controls = createDialog(&dialog, kSample);
    EXPECT_EQ(dialog.size(), QSize(350, 175));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Sample"));
    ASSERT_EQ(controls.all().size(), 7u);

    auto* label = qobject_cast<QLabel*>(controls.all()[0]);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Name"));
    EXPECT_EQ(label->pos(), QPoint(7, 7));

    auto* password = controls.get<QLineEdit>(10);
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(password->geometry(), QRect(70, 7, 175, 25));

    ASSERT_NE(controls.get<QPlainTextEdit>(11), nullptr);
    EXPECT_FALSE(controls.get<QCheckBox>(12)->isEnabled());
    EXPECT_EQ(controls.get<QCheckBox>(12)->text(), QStringLiteral("Tick"));

    auto* combo = controls.get<QComboBox>(13);
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert);
    // The closed box is one line high, not the dropped list's height.
    EXPECT_LT(combo->height(), 60);

    EXPECT_EQ(controls.get<QListWidget>(14)->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(controls.get<QPushButton>(IDOK)->isDefault());
    EXPECT_EQ(controls.item(12345), nullptr);
}

TEST(DialogTemplate, CustomControlsComeFromTheirFactory) {
    QWidget dialog;
    int made = 0;
    const ControlFactories factories{{14, [&](QWidget* parent, const DialogItem& item) {
                                          ++made;
                                          EXPECT_EQ(item.style, LBS_EXTENDEDSEL);
                                          auto* list = new QListWidget(parent);
                                          list->setObjectName(QStringLiteral("mine"));
                                          return list;
                                      }}};
    const DialogControls controls = createDialog(&dialog, kSample, factories);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(controls.get<QListWidget>(14)->geometry(), QRect(7, 133, 88, 35));
}

TEST(DialogTemplate, ControlTextWhateverTheClass) {
    QWidget dialog;
    const DialogControls controls = createDialog(&dialog, kSample);
    for (const int id : {10, 11, 12, IDOK}) {
        setControlText(controls.item(id), QStringLiteral("line"));
        EXPECT_EQ(controlText(controls.item(id)), QStringLiteral("line")) << id;
    }
}

TEST(DialogTemplate, OneLineTextsAreNeverCut) {
    const DialogTemplate narrow{
        98,
        "",
        100,
        40,
        8,
        {
            {Kind::Label, 20, "Document Compression", 4, 4, 40, 8},
            {Kind::CheckBox, 21, "Form Filling,Signing,Commenting", 4, 16, 60, 8},
            {Kind::Label, 22, "Wide", 4, 28, 60, 8},
        }};
    QWidget dialog;
    const DialogControls controls = createDialog(&dialog, narrow);
    auto* label = controls.get<QLabel>(20);
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    EXPECT_EQ(label->pos(), QPoint(7, 7)); // its place stays
    auto* box = controls.get<QCheckBox>(21);
    EXPECT_GE(box->width(), box->sizeHint().width());
    // A text that fits keeps the template's box and the dialog's font.
    EXPECT_EQ(controls.item(22)->width(), 105);
    EXPECT_EQ(controls.item(22)->font(), dialog.font());
}

} // namespace
} // namespace ostrel
