#include "enter_password_dlg.h"
#include "finish_dlg.h"
#include "recorders.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(PasswordPrompt, NamesTheFileWithTwoSpacesAfterIt) {
    EXPECT_EQ(CEnterPassWordDlg::promptText(QStringLiteral("report.doc")),
              QStringLiteral("The program has detected that File \"report.doc\"  is password "
                             "protected. Please enter the password for the conversion."));
    CEnterPassWordDlg prompt;
    prompt.fileName = QStringLiteral("report.doc");
    prompt.show();
    EXPECT_EQ(controlText(prompt.controls().item(CEnterPassWordDlg::IDC_MESSAGE)),
              CEnterPassWordDlg::promptText(QStringLiteral("report.doc")));
    EXPECT_EQ(prompt.windowTitle(), QStringLiteral("Password Required!"));
    EXPECT_EQ(prompt.controls().get<QLineEdit>(CEnterPassWordDlg::IDC_PASSWORD)->echoMode(),
              QLineEdit::Password);
}

TEST(PasswordPrompt, OkTakesTheTypedPassword) {
    CEnterPassWordDlg prompt;
    prompt.show();
    setControlText(prompt.controls().item(CEnterPassWordDlg::IDC_PASSWORD),
                   QStringLiteral("s3cret"));
    prompt.controls().get<QPushButton>(IDOK)->click();
    EXPECT_EQ(prompt.result(), QDialog::Accepted);
    EXPECT_EQ(prompt.password, QStringLiteral("s3cret"));
}

TEST(PasswordPrompt, CancelLeavesThePasswordEmpty) {
    CEnterPassWordDlg prompt;
    prompt.show();
    setControlText(prompt.controls().item(CEnterPassWordDlg::IDC_PASSWORD),
                   QStringLiteral("typed"));
    prompt.controls().get<QPushButton>(IDCANCEL)->click();
    EXPECT_EQ(prompt.result(), QDialog::Rejected);
    EXPECT_TRUE(prompt.password.isEmpty());
}

class FinishDialog : public ::testing::Test {
protected:
    void SetUp() override {
        finish.messageBoxes = &boxes;
        finish.shell = &shell;
        finish.folder = QStringLiteral("/home/u/pdf");
        finish.convertedFiles = QStringList{"report.pdf", "Agenda.pdf", "minutes.pdf"};
        finish.show();
    }
    QStringList listed() const {
        QStringList texts;
        for (int row = 0; row < finish.resultsList->count(); ++row) {
            texts << finish.resultsList->item(row)->text();
        }
        return texts;
    }
    void press(int id) { finish.controls().get<QPushButton>(id)->click(); }

    CFinishDlg finish;
    test::RecordingMessageBoxes boxes;
    test::RecordingShell shell;
};

TEST_F(FinishDialog, ListsTheNamesSortedWithTheFirstSelected) {
    EXPECT_EQ(listed(), (QStringList{"Agenda.pdf", "minutes.pdf", "report.pdf"}));
    EXPECT_EQ(finish.resultsList->currentRow(), 0);
    EXPECT_TRUE(finish.resultsList->item(0)->isSelected());
    EXPECT_EQ(controlText(finish.controls().item(CFinishDlg::IDC_HEADLINE)),
              QStringLiteral("Conversion Completes!"));
    EXPECT_EQ(finish.folder, QStringLiteral("/home/u/pdf/"));
}

TEST_F(FinishDialog, OpenFileOpensTheSelectedPdf) {
    finish.resultsList->setCurrentRow(2);
    press(CFinishDlg::IDC_OPEN_FILE);
    EXPECT_EQ(shell.opened, QStringList{"/home/u/pdf/report.pdf"});
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(finish.isVisible());
}

TEST_F(FinishDialog, OpenFileWithoutASelectionAsksForOne) {
    finish.resultsList->clearSelection();
    press(CFinishDlg::IDC_OPEN_FILE);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Please choose one file !"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("ERROR"));
    EXPECT_EQ(boxes.shown[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(shell.opened.isEmpty());
}

TEST_F(FinishDialog, OpenFolderSelectsTheFileInItsFolder) {
    finish.resultsList->setCurrentRow(1);
    press(CFinishDlg::IDC_OPEN_FOLDER);
    EXPECT_EQ(shell.shownInFolder, QStringList{"/home/u/pdf/|/home/u/pdf/minutes.pdf"});
    finish.resultsList->clearSelection();
    press(CFinishDlg::IDC_OPEN_FOLDER); // without a selection: the first entry
    EXPECT_EQ(shell.shownInFolder.last(), QStringLiteral("/home/u/pdf/|/home/u/pdf/Agenda.pdf"));
    EXPECT_TRUE(finish.isVisible());
}

TEST_F(FinishDialog, CloseEmptiesTheResultsForTheNextRun) {
    press(IDCANCEL);
    EXPECT_FALSE(finish.isVisible());
    EXPECT_TRUE(finish.convertedFiles.isEmpty());
    finish.convertedFiles = QStringList{"second.pdf"};
    finish.show();
    EXPECT_EQ(listed(), QStringList{"second.pdf"});
    EXPECT_EQ(finish.folder, QStringLiteral("/home/u/pdf/"));
}

// The desktop shell with its "open" recorded; the D-Bus request is real.
class RecordingDesktopShell : public DesktopShell {
public:
    QStringList opened;
    void open(const QString& pathOrUrl) override { opened << pathOrUrl; }
};

TEST(DesktopShell, WithoutAFileManagerTheFolderIsOpened) {
    // The test runs with a session bus address that leads nowhere.
    RecordingDesktopShell shell;
    shell.showInFolder(QStringLiteral("/home/u/pdf/"), QStringLiteral("/home/u/pdf/a.pdf"));
    EXPECT_EQ(shell.opened, QStringList{"/home/u/pdf/"});
}

} // namespace
} // namespace ostrel
