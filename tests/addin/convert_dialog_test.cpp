// The add-in's convert dialog on the offscreen platform, driven directly: its layout,
// the refusals, the run on the worker thread and the completion question.
#include "missing.h"
#include "modal_watch.h"

#include "advanced_dlg.h"
#include "convert_dlg.h"
#include "description_dlg.h"
#include "environment.h"
#include "pdf_facts.h"
#include "recorders.h"
#include "security_dlg.h"
#include "tab_ctrl_ex.h"
#include "word_registration.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <future>

namespace addintest {
namespace {

using kestrine::CConvertDlg;
using ostrel::ConversionHost;
using ostrel::ConversionOptions;
using ostrel::Outcome;

const QString kBusy = QStringLiteral("Working now,Hold for a moment!");

class ConvertDialog : public ::testing::Test {
protected:
    void SetUp() override {
        dialog.setMessageBoxes(boxes);
        dialog.setShellOpener(shell);
        dialog.setSleep([](std::chrono::milliseconds) {});
    }

    template <class T> T* control(int id) {
        return dialog.findChild<T*>(QStringLiteral("control%1").arg(id));
    }
    QString status() { return control<QLineEdit>(225)->text(); }
    QStringList messages() const {
        QStringList texts;
        for (const auto& box : boxes.shown) {
            texts << box.text;
        }
        return texts;
    }
    void open(const QString& sourcePath) {
        dialog.m_sourcePath = sourcePath;
        dialog.show();
    }
    // Convert, then serve events until the dialog is idle with its completion done.
    void convertAndWait() {
        control<QPushButton>(1)->click();
        ASSERT_TRUE(
            serveUntil([&] { return !dialog.isRunning() && !dialog.isCompletionPending(); }));
    }
    bool inputsEnabled() {
        return control<QLineEdit>(221)->isEnabled() && control<QPushButton>(222)->isEnabled() &&
               control<QPushButton>(1)->isEnabled();
    }

    ostrel::test::PrivateFolders folders;
    ostrel::test::RecordingMessageBoxes boxes;
    ostrel::test::RecordingShell shell;
    CConvertDlg dialog;
};

TEST_F(ConvertDialog, ProposesTheDocumentsFolderAndShowsTheDescriptionPage) {
    open(QStringLiteral("/home/ann/docs/plan.docx"));
    EXPECT_EQ(control<QLineEdit>(221)->text(), QStringLiteral("/home/ann/docs/"));
    EXPECT_EQ(dialog.m_outputFolder, QStringLiteral("/home/ann/docs/"));
    EXPECT_EQ(status(), QStringLiteral("Not Started"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Ostrel Word To PDF 3.0"));

    auto* tab = control<ostrel::CTabCtrlEx>(201);
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->variant(), ostrel::CTabCtrlEx::Variant::AddIn);
    ASSERT_EQ(tab->GetItemCount(), 3);
    EXPECT_EQ(tab->tabBar()->tabText(0), QStringLiteral("Description"));
    EXPECT_EQ(tab->tabBar()->tabText(1), QStringLiteral("Security"));
    EXPECT_EQ(tab->tabBar()->tabText(2), QStringLiteral("Advanced"));

    auto* description = tab->findChild<ostrel::CDescriptionDlg*>();
    auto* security = tab->findChild<ostrel::CSecurityDlg*>();
    auto* advanced = tab->findChild<ostrel::CAdvancedDlg*>();
    ASSERT_TRUE(description && security && advanced);
    // The add-in's templates: the Description page's title edit is 203.
    EXPECT_EQ(description->ids().title, 203);
    const QRect page(1, 25, tab->width() - 5, tab->height() - 29);
    EXPECT_TRUE(description->isVisible());
    EXPECT_EQ(description->geometry(), page);
    EXPECT_FALSE(security->isVisible());
    EXPECT_FALSE(advanced->isVisible());

    tab->SetCurSel(2);
    EXPECT_TRUE(advanced->isVisible());
    EXPECT_FALSE(description->isVisible());
    EXPECT_EQ(advanced->geometry(), page);
    tab->SetCurSel(0);
    EXPECT_TRUE(description->isVisible());
    EXPECT_FALSE(security->isVisible());
    EXPECT_FALSE(advanced->isVisible());
    EXPECT_EQ(description->geometry(), page);

    // The labels' font is smaller and lighter than the dialog's.
    const QFont label = control<QWidget>(223)->font();
    EXPECT_EQ(control<QWidget>(224)->font(), label);
    EXPECT_LT(QFontInfo(label).pixelSize(), QFontInfo(dialog.font()).pixelSize());
    EXPECT_LT(label.weight(), dialog.font().weight());
}

TEST_F(ConvertDialog, APathWithoutFolderProposesNothingAndConvertWantsAFolder) {
    open(QStringLiteral("plan.docx"));
    EXPECT_EQ(control<QLineEdit>(221)->text(), QString());
    control<QPushButton>(1)->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("Wrong Path cause wrong, Input a valid file path!"));
    EXPECT_EQ(boxes.shown[0].icon, QMessageBox::Warning);
    EXPECT_EQ(boxes.shown[0].buttons, QMessageBox::Ok);
    EXPECT_FALSE(dialog.isRunning());
    EXPECT_TRUE(inputsEnabled());
}

TEST_F(ConvertDialog, AnExtensionOtherThanDocDocxOrDotIsRefusedWithoutASuccessQuestion) {
    const QString folder = folders.freshFolder();
    ModalWatch question(QStringLiteral("CCompleteDlg"), [](QDialog& d) { d.reject(); });
    for (const QString& name : {QStringLiteral("report.DOC"), QStringLiteral("report.Docx"),
                                QStringLiteral("report.odt")}) {
        boxes.shown.clear();
        const QString source = folder + QLatin1Char('/') + name;
        if (!dialog.isVisible()) {
            open(source);
        }
        dialog.m_sourcePath = source;
        convertAndWait();
        EXPECT_EQ(messages(),
                  QStringList{QStringLiteral("Not Suppot File %1,Convert next file?").arg(source)});
        EXPECT_EQ(boxes.shown.at(0).buttons, QMessageBox::Ok);
        EXPECT_EQ(boxes.shown.at(0).icon, QMessageBox::Warning);
        EXPECT_EQ(status(), QStringLiteral("Failed!"));
        EXPECT_TRUE(inputsEnabled());
    }
    EXPECT_EQ(question.seen(), 0);
    EXPECT_TRUE(shell.opened.isEmpty());
    EXPECT_TRUE(QDir(folder).isEmpty());
}

TEST_F(ConvertDialog, ARunThatFailsSilentlyIsReportedAndAsksNothing) {
    ModalWatch question(QStringLiteral("CCompleteDlg"), [](QDialog& d) { d.accept(); });
    dialog.setConverter([](ConversionHost&, const QString&, const ConversionOptions&) {
        return Outcome{Outcome::Failed, {}, QStringLiteral("/nowhere/plan.pdf")};
    });
    const QString source = folders.freshFolder() + QStringLiteral("/plan.docx");
    open(source);
    convertAndWait();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Failed to convert %1").arg(source)});
    EXPECT_EQ(status(), QStringLiteral("Failed!"));
    EXPECT_EQ(question.seen(), 0);
    EXPECT_TRUE(shell.opened.isEmpty());
}

TEST_F(ConvertDialog, WhileARunIsInProgressTheDialogRefusesToCloseAndToBrowse) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> entered{false};
    ConversionOptions seen;
    dialog.setConverter([&](ConversionHost&, const QString&, const ConversionOptions& options) {
        seen = options;
        entered = true;
        released.wait();
        return Outcome{Outcome::Converted, {}, QStringLiteral("/out/plan.pdf")};
    });
    const QString folder = folders.freshFolder();
    open(folder + QStringLiteral("/plan.docx"));
    control<QPushButton>(1)->click();
    EXPECT_TRUE(dialog.isRunning());
    EXPECT_FALSE(inputsEnabled());
    EXPECT_EQ(status(), QStringLiteral("Start to Convert"));
    ASSERT_TRUE(serveUntil([&] { return entered.load(); }));

    dialog.reject(); // Escape
    dialog.close();  // the close box
    EXPECT_EQ(messages(), (QStringList{kBusy, kBusy}));
    EXPECT_TRUE(dialog.isVisible());
    // The run got the add-in's default options and the folder as typed.
    ConversionOptions defaults;
    defaults.destinationFolder = folder + QLatin1Char('/');
    EXPECT_EQ(seen, defaults);

    ModalWatch question(QStringLiteral("CCompleteDlg"), [](QDialog& d) { d.reject(); });
    release.set_value();
    ASSERT_TRUE(serveUntil([&] { return !dialog.isRunning() && !dialog.isCompletionPending(); }));
    EXPECT_EQ(status(), QStringLiteral("Complete!"));
    EXPECT_TRUE(inputsEnabled());
    EXPECT_EQ(question.seen(), 1);
    EXPECT_TRUE(shell.opened.isEmpty()); // "&No"
    EXPECT_EQ(dialog.m_pdfPath, QStringLiteral("/out/plan.pdf"));

    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ConvertDialog, TheStatusLineCountsSixDotsAndStartsAgain) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    dialog.setConverter([&](ConversionHost&, const QString&, const ConversionOptions&) {
        released.wait();
        return Outcome{};
    });
    open(folders.freshFolder() + QStringLiteral("/plan.docx"));
    QStringList shown;
    QObject::connect(control<QLineEdit>(225), &QLineEdit::textChanged,
                     [&](const QString& text) { shown << text; });
    control<QPushButton>(1)->click();
    ASSERT_TRUE(serveUntil([&] { return shown.size() >= 8; }));
    release.set_value();
    ASSERT_TRUE(serveUntil([&] { return !dialog.isRunning() && !dialog.isCompletionPending(); }));

    const QString start = QStringLiteral("Start to Convert");
    QStringList expected{start};
    for (int dots = 1; dots <= 6; ++dots) {
        expected << start + QString(dots, QLatin1Char('.'));
    }
    expected << start;
    EXPECT_EQ(shown.mid(0, 8), expected);
    EXPECT_EQ(shown.last(), QStringLiteral("Failed!"));
}

bool wordServerBuilt() {
    const auto servers = ostrel::word::knownServerLibraries();
    return std::any_of(servers.begin(), servers.end(), [](const std::filesystem::path& p) {
        return !p.empty() && std::filesystem::exists(p);
    });
}

TEST_F(ConvertDialog, ADocumentWordCannotOpenFailsWithTheEnginesMessageOnly) {
    if (!wordServerBuilt()) {
        OSTREL_MISSING() << "no \"Word.Application\" server in this build";
    }
    ModalWatch question(QStringLiteral("CCompleteDlg"), [](QDialog& d) { d.accept(); });
    const QString folder = folders.freshFolder();
    open(folder + QStringLiteral("/absent.docx"));
    convertAndWait();
    EXPECT_EQ(boxes.shown.size(), 1u) << messages().join(u'\n').toStdString();
    EXPECT_EQ(status(), QStringLiteral("Failed!"));
    EXPECT_TRUE(inputsEnabled());
    EXPECT_EQ(question.seen(), 0);
    EXPECT_TRUE(shell.opened.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/absent.pdf")));
}

TEST_F(ConvertDialog, ConvertsACorpusDocumentWithThePageOptionsAndOpensThePdfOnYes) {
    const QString source =
        QStringLiteral(OSTREL_CORPUS_DIR) + QStringLiteral("/documents/SampleDoc.docx");
    if (!QFileInfo::exists(source)) {
        OSTREL_MISSING() << "no corpus at " OSTREL_CORPUS_DIR;
    }
    if (!wordServerBuilt()) {
        OSTREL_MISSING() << "no \"Word.Application\" server in this build";
    }
    const QString folder = folders.freshFolder();
    open(source);
    control<QLineEdit>(221)->setText(folder); // typed without a trailing separator
    auto* tab = control<ostrel::CTabCtrlEx>(201);
    auto* description = tab->findChild<ostrel::CDescriptionDlg*>();
    auto* advanced = tab->findChild<ostrel::CAdvancedDlg*>();
    auto* security = tab->findChild<ostrel::CSecurityDlg*>();
    ostrel::setControlText(description->controls().item(203), QStringLiteral("Add-in title"));
    ostrel::setControlText(description->controls().item(202), QStringLiteral("Ann"));
    advanced->list(219)->setCurrentIndex(1); // "V1.4"
    // AES-256 with an owner password only: anyone opens the PDF, with printing alone.
    const auto& ids = ostrel::CSecurityDlg::kAddInIds;
    security->button(ids.master)->click();
    security->button(ids.user)->click(); // unticked
    ostrel::setControlText(security->controls().item(ids.ownerPassword), QStringLiteral("keeper"));
    security->button(ids.printing)->click();
    security->button(ids.aes)->click();

    ModalWatch question(QStringLiteral("CCompleteDlg"), [](QDialog& d) {
        d.findChild<QPushButton*>(QStringLiteral("control1"))->click(); // "&Yes"
    });
    convertAndWait();

    const QString pdf = folder + QStringLiteral("/SampleDoc.pdf");
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'\n').toStdString();
    EXPECT_EQ(status(), QStringLiteral("Complete!"));
    EXPECT_EQ(dialog.m_pdfPath, pdf);
    EXPECT_EQ(question.seen(), 1);
    EXPECT_EQ(shell.opened, QStringList{pdf});
    const auto facts = ostrel::test::readPdf(pdf.toStdString());
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->version, "1.7"); // raised from 1.4 for AES-256
    EXPECT_TRUE(facts->encrypted);
    EXPECT_EQ(facts->revision, 6);
    EXPECT_EQ(facts->keyLength, 256);
    EXPECT_EQ(facts->permissions, -1340);
    EXPECT_TRUE(ostrel::test::readPdf(pdf.toStdString(), "keeper")->ownerPasswordMatched);
    EXPECT_EQ(facts->info.at("/Title"), "Add-in title");
    EXPECT_EQ(facts->info.at("/Author"), "Ann");
    EXPECT_GE(ostrel::test::pdfPageCount(pdf.toStdString()), 1);
}

} // namespace
} // namespace addintest
