#include "advanced_dlg.h"
#include "description_dlg.h"
#include "qt_printers.h"
#include "security_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace ostrel {

void PrintTo(PageTemplate which, std::ostream* out) {
    *out << (which == PageTemplate::Desktop ? "desktop" : "add-in");
}

namespace {

std::string name(const ::testing::TestParamInfo<PageTemplate>& info) {
    return info.param == PageTemplate::Desktop ? "Desktop" : "AddIn";
}

// Fields the pages must all overwrite.
ConversionOptions scribbled() {
    ConversionOptions options;
    options.documentCompression = std::nullopt;
    options.imageCompression = std::nullopt;
    options.jpegQuality = std::nullopt;
    options.pdfVersion = std::nullopt;
    options.securityEnabled = true;
    options.userPasswordEnabled = options.ownerPasswordEnabled = false;
    options.userPassword = options.ownerPassword = QStringLiteral("x");
    options.allowCopying = options.allowFormFilling = options.allowChanging =
        options.allowPrinting = true;
    options.encryptionLevel = std::nullopt;
    options.title = options.subject = options.author = options.keywords = QStringLiteral("x");
    options.destinationFolder = QStringLiteral("/out/");
    return options;
}

class Pages : public ::testing::TestWithParam<PageTemplate> {
protected:
    Pages()
        : description(GetParam(), &host), security(GetParam(), &host), advanced(GetParam(), &host) {
    }

    // The add-in's order: Advanced, Security, Description.
    ConversionOptions transferred() {
        ConversionOptions options = scribbled();
        advanced.applyTo(options);
        security.applyTo(options);
        description.applyTo(options);
        return options;
    }
    QWidget* control(const OptionPage& page, int id) { return page.controls().item(id); }
    void click(int id) { security.button(id)->click(); }
    bool enabled(int id) { return control(security, id)->isEnabled(); }

    QWidget host;
    CDescriptionDlg description;
    CSecurityDlg security;
    CAdvancedDlg advanced;
};

TEST_P(Pages, DefaultTransferIsTheDefaultOptions) {
    ConversionOptions expected;
    expected.destinationFolder = QStringLiteral("/out/"); // not the pages' field
    EXPECT_EQ(transferred(), expected);
}

TEST_P(Pages, EveryControlFeedsItsOwnField) {
    const auto& d = description.ids();
    setControlText(control(description, d.title), QStringLiteral("T"));
    setControlText(control(description, d.subject), QStringLiteral("S"));
    setControlText(control(description, d.author), QStringLiteral("A"));
    setControlText(control(description, d.keywords), QStringLiteral("one\ntwo"));

    const auto& s = security.ids();
    click(s.master);
    click(s.owner); // unticked
    setControlText(control(security, s.userPassword), QStringLiteral("user"));
    setControlText(control(security, s.ownerPassword), QStringLiteral("owner"));
    click(s.formFilling);
    click(s.printing);
    click(s.aes);
    EXPECT_FALSE(security.button(s.low)->isChecked()); // one level at a time

    const auto& a = advanced.ids();
    advanced.list(a.documentCompression)->setCurrentIndex(1);
    advanced.list(a.imageCompression)->setCurrentIndex(2);
    advanced.list(a.jpegQuality)->setCurrentIndex(3);
    advanced.list(a.pdfVersion)->setCurrentIndex(1);

    const ConversionOptions options = transferred();
    EXPECT_EQ(options.title, QStringLiteral("T"));
    EXPECT_EQ(options.subject, QStringLiteral("S"));
    EXPECT_EQ(options.author, QStringLiteral("A"));
    EXPECT_EQ(options.keywords, QStringLiteral("one\ntwo"));
    EXPECT_TRUE(options.securityEnabled);
    EXPECT_TRUE(options.userPasswordEnabled);
    EXPECT_FALSE(options.ownerPasswordEnabled);
    EXPECT_EQ(options.userPassword, QStringLiteral("user"));
    EXPECT_EQ(options.ownerPassword, QStringLiteral("owner"));
    EXPECT_FALSE(options.allowCopying);
    EXPECT_TRUE(options.allowFormFilling);
    EXPECT_FALSE(options.allowChanging);
    EXPECT_TRUE(options.allowPrinting);
    EXPECT_EQ(options.encryptionLevel, EncryptionLevel::Aes256);
    EXPECT_EQ(options.documentCompression, PageCompression::Lzw);
    EXPECT_EQ(options.imageCompression, ImageFilter::Automatic);
    EXPECT_EQ(options.jpegQuality, JpegQuality::Maximum);
    EXPECT_EQ(options.pdfVersion, PdfVersion::V1_4);
}

TEST_P(Pages, SecurityStartsWithEverythingButTheMasterSwitchDisabled) {
    const auto& s = security.ids();
    EXPECT_TRUE(enabled(s.master));
    EXPECT_FALSE(security.button(s.master)->isChecked());
    EXPECT_TRUE(security.button(s.user)->isChecked());
    EXPECT_TRUE(security.button(s.owner)->isChecked());
    EXPECT_TRUE(security.button(s.low)->isChecked());
    for (const int id : {s.user, s.userPassword, s.owner, s.ownerPassword, s.copying, s.formFilling,
                         s.changing, s.printing, s.low, s.high, s.aes}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    // The three levels, one choice among them.
    QStringList levels;
    for (const int id : {s.low, s.high, s.aes}) {
        levels << security.button(id)->text();
    }
    EXPECT_EQ(levels,
              QStringList({QStringLiteral("Low(40-bit RC4)"), QStringLiteral("High(128-bit RC4)"),
                           QStringLiteral("High(256-bit AES)")}));
}

TEST_P(Pages, TickingSecurityEnablesBothPasswordEdits) {
    const auto& s = security.ids();
    click(s.master);
    for (const int id : {s.user, s.userPassword, s.owner, s.ownerPassword, s.copying, s.formFilling,
                         s.changing, s.printing, s.low, s.high, s.aes}) {
        EXPECT_TRUE(enabled(id)) << id;
    }
}

TEST_P(Pages, PasswordSwitchesGovernTheirEdits) {
    const auto& s = security.ids();
    click(s.master);
    click(s.user);
    EXPECT_FALSE(enabled(s.userPassword));
    EXPECT_TRUE(enabled(s.ownerPassword));
    click(s.owner);
    EXPECT_FALSE(enabled(s.ownerPassword));
    click(s.user);
    EXPECT_TRUE(enabled(s.userPassword));
}

TEST_P(Pages, SecurityOffAndOnKeepsValuesAndAnUntickedSwitch) {
    const auto& s = security.ids();
    click(s.master);
    setControlText(control(security, s.userPassword), QStringLiteral("u-secret"));
    setControlText(control(security, s.ownerPassword), QStringLiteral("o-secret"));
    click(s.high);
    click(s.user); // user edit now disabled

    click(s.master); // off: everything disabled, nothing cleared
    EXPECT_FALSE(enabled(s.ownerPassword));
    EXPECT_FALSE(enabled(s.high));
    click(s.master); // on again
    EXPECT_FALSE(enabled(s.userPassword));
    EXPECT_TRUE(enabled(s.ownerPassword));

    const ConversionOptions options = transferred();
    EXPECT_EQ(options.userPassword, QStringLiteral("u-secret"));
    EXPECT_EQ(options.ownerPassword, QStringLiteral("o-secret"));
    EXPECT_EQ(options.encryptionLevel, EncryptionLevel::Rc4_128);
    EXPECT_FALSE(options.userPasswordEnabled);
}

// Passwords the encryption would not take as typed are refused with a message, never cut
// or allowed to give every reader the owner's rights; with security off nothing is asked.
TEST_P(Pages, PasswordsThatCannotBeUsedAreRefusedWithAMessage) {
    const auto& s = security.ids();
    struct Case {
        bool security;
        QString user;
        QString owner;
        const char* refusal; // none: accepted
    };
    const QString limit(32, u'u');
    const QString over = QString(31, u'u') + QStringLiteral("\u00e9"); // 33 bytes
    for (const Case& c : {
             Case{true, over, QStringLiteral("owner"),
                  "User Password too long, Input at most 32 bytes!"},
             Case{true, QStringLiteral("user"), over,
                  "Owner Password too long, Input at most 32 bytes!"},
             Case{true, QStringLiteral("same"), QStringLiteral("same"),
                  "User Password same as Owner Password, Input a different one!"},
             Case{true, QString(QChar(0xD800)), QStringLiteral("owner"),
                  "Password has invalid characters, Input it again!"},
             Case{true, limit, QStringLiteral("owner"), nullptr},
             Case{false, over, over, nullptr},
         }) {
        if (security.button(s.master)->isChecked() != c.security) {
            click(s.master);
        }
        setControlText(control(security, s.userPassword), c.user);
        setControlText(control(security, s.ownerPassword), c.owner);
        const auto refusal = security.passwordRefusal();
        if (c.refusal == nullptr) {
            EXPECT_FALSE(refusal.has_value()) << refusal.value_or(QString()).toStdString();
        } else {
            EXPECT_EQ(refusal.value_or(QString()), QString::fromLatin1(c.refusal));
        }
    }
}

TEST_P(Pages, ListsHoldTheirItemsWithTheFirstSelected) {
    const auto& a = advanced.ids();
    const std::vector<std::pair<int, QStringList>> lists{
        {a.pageLayout, {"Continuous"}},
        {a.pageMode, {"Normal"}},
        {a.documentCompression, {"Flate", "LZW"}},
        {a.imageCompression, {"Flate", "JPEG", "Automatic"}},
        {a.jpegQuality, {"Minimum", "Low", "Medium", "Maximum"}},
        {a.pdfVersion, {"V1.3(Acrobat 4.xx)", "V1.4", "V1.5"}}};
    for (const auto& [id, items] : lists) {
        QComboBox* list = advanced.list(id);
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) {
            texts << list->itemText(i);
        }
        EXPECT_EQ(texts, items) << id;
        EXPECT_EQ(list->currentIndex(), 0) << id;
        EXPECT_EQ(list->isEditable(), GetParam() == PageTemplate::AddIn) << id;
    }
    EXPECT_FALSE(qobject_cast<QAbstractButton*>(control(advanced, a.alternateEmf))->isChecked());
}

TEST_P(Pages, EnterAndEscapeNeverEndThePageOrItsDialog) {
    QDialog dialog;
    int defaults = 0;
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, [&] { ++defaults; });
    CDescriptionDlg page(GetParam(), &dialog);
    page.show();
    dialog.show();
    QWidget* title = page.controls().item(page.ids().title);
    for (const int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(title, &press);
    }
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(defaults, 0);
}

INSTANTIATE_TEST_SUITE_P(BothTemplates, Pages,
                         ::testing::Values(PageTemplate::Desktop, PageTemplate::AddIn), name);

class AddInLists : public ::testing::Test {
protected:
    QWidget host;
    CAdvancedDlg page{PageTemplate::AddIn, &host};
    QComboBox* quality() { return page.list(page.ids().jpegQuality); }
    ConversionOptions transferred() {
        ConversionOptions options;
        page.applyTo(options);
        return options;
    }
};

TEST_F(AddInLists, TypedTextNamingAnItemSelectsIt) {
    quality()->setCurrentIndex(1);
    quality()->setEditText(QStringLiteral("medium"));
    EXPECT_EQ(transferred().jpegQuality, JpegQuality::Medium);
}

TEST_F(AddInLists, TypedTextNamingNoItemKeepsTheSelectedItem) {
    quality()->setCurrentIndex(3);
    quality()->setEditText(QStringLiteral("Best"));
    EXPECT_EQ(transferred().jpegQuality, JpegQuality::Maximum);
    // Leaving the field shows the item that will be used.
    emit quality()->lineEdit()->editingFinished();
    EXPECT_EQ(quality()->currentText(), QStringLiteral("Maximum"));
}

TEST_F(AddInLists, TypingNeverAddsItems) {
    quality()->setEditText(QStringLiteral("Best"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(quality()->lineEdit(), &enter);
    EXPECT_EQ(quality()->count(), 4);
}

TEST(PageTemplates, AddInPagesUseTheirIdsAndOneColumn) {
    QWidget host;
    const CSecurityDlg security(PageTemplate::AddIn, &host);
    const DialogUnits& units = security.controls().units();
    EXPECT_EQ(security.controls().item(210)->geometry(), units.rect(34, 35, 96, 14));
    EXPECT_EQ(security.controls().item(211)->geometry(), units.rect(34, 71, 96, 14));
    EXPECT_EQ(security.size(), QSize(units.x(316), units.y(293)));
    const CDescriptionDlg description(PageTemplate::AddIn, &host);
    EXPECT_NE(qobject_cast<QPlainTextEdit*>(description.controls().item(205)), nullptr);
    EXPECT_EQ(description.controls().item(202)->geometry(), units.rect(27, 57, 216, 14));
}

} // namespace
} // namespace ostrel
