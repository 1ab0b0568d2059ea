// The desktop program end to end: its real main window on the offscreen platform, real
// documents printed by the office, real Ghostscript, PDFs read back with qpdf.
#include "about_dlg.h"
#include "advanced_dlg.h"
#include "bmp_prog_ctrl.h"
#include "convert_dlg.h"
#include "corpus_tools.h"
#include "description_dlg.h"
#include "document_handoff.h"
#include "enable_edit.h"
#include "enter_password_dlg.h"
#include "environment.h"
#include "finish_dlg.h"
#include "list_box_ex.h"
#include "main_dlg.h"
#include "message_boxes.h"
#include "missing.h"
#include "pdf_facts.h"
#include "security_dlg.h"
#include "shell_opener.h"
#include "single_instance.h"
#include "tab_ctrl_ex.h"
#include "test_environment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <thread>

namespace ostrel {
namespace {

using namespace std::chrono_literals;

constexpr int kRunBound = 600'000; // ms; the office is slow to start on a busy machine

// Message boxes answered by the test: each question text gets the answer given for it,
// everything else OK; every box is recorded.
class ScriptedBoxes : public MessageBoxes {
public:
    struct Shown {
        QString caption;
        QString text;
    };
    std::vector<Shown> shown;
    std::function<QMessageBox::StandardButton(const QString& text)> answer = [](const QString&) {
        return QMessageBox::Ok;
    };

    QMessageBox::StandardButton show(QWidget*, QMessageBox::Icon, const QString& caption,
                                     const QString& text, QMessageBox::StandardButtons) override {
        shown.push_back({caption, text});
        return answer(text);
    }
    int count(const QString& text) const {
        return static_cast<int>(std::count_if(shown.begin(), shown.end(),
                                              [&](const Shown& box) { return box.text == text; }));
    }
};

class ListedDocuments : public FileChooser {
public:
    QStringList documents;
    QString folder;
    QStringList chooseDocuments(QWidget*) override { return documents; }
    QString chooseFolder(QWidget*) override { return folder; }
};

const QString kStopQuestion = QStringLiteral(" Are you sure you want to stop the conversion? ");

QString corpusFile(const QString& relative) {
    return QStringLiteral(OSTREL_CORPUS_DIR "/") + relative;
}

// Drops files from the file manager onto the list.
void dropFiles(CListBoxEx& list, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint where = list.viewport()->rect().center();
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
}

#define REQUIRE_CORPUS()                                                                           \
    if (!QFileInfo::exists(QStringLiteral(OSTREL_CORPUS_DIR)))                                     \
    OSTREL_MISSING() << "the corpus is missing: " << OSTREL_CORPUS_DIR

class DesktopProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::makeThisProcessTheirReaper(); }

    void SetUp() override {
        window = std::make_unique<CPelvarAllToPDFDlg>();
        window->messageBoxes = &boxes;
        page = window->convertPage();
        page->messageBoxes = &boxes;
        page->fileList()->messageBoxes = &boxes;
        page->fileChooser = &chooser;
        page->finishDialog()->messageBoxes = &boxes;
        window->show();
        output = folders.freshFolder();
        // Modal dialogs of the run are handled as they come up.
        modalWatch.setInterval(50);
        QObject::connect(&modalWatch, &QTimer::timeout, [this] { handleModal(); });
        modalWatch.start();
    }

    void TearDown() override {
        modalWatch.stop();
        window.reset();
        EXPECT_EQ(test::leftoverProcesses(), std::vector<std::string>{});
    }

    void handleModal() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* prompt = qobject_cast<CEnterPassWordDlg*>(modal)) {
            promptedFor << prompt->fileName;
            auto* edit = prompt->controls().get<QLineEdit>(CEnterPassWordDlg::IDC_PASSWORD);
            QTest::keyClicks(edit, QStringLiteral("Password1234_"));
            prompt->controls().get<QPushButton>(IDOK)->click();
        } else if (auto* finish = qobject_cast<CFinishDlg*>(modal)) {
            finishShown = true;
            for (int row = 0; row < finish->resultsList->count(); ++row)
                finishListed << finish->resultsList->item(row)->text();
            spoolFileDuringDialog = QFileInfo::exists(spoolFile());
            static_cast<QDialog*>(finish)->reject();
        }
    }

    QString spoolFile() const { return folders.spool() + QStringLiteral("/tmp.ps"); }

    void pressConvert() { page->convertButton()->click(); }

    bool waitFor(const std::function<bool()>& condition, int bound = kRunBound) {
        return QTest::qWaitFor(condition, bound);
    }

    bool runOver() { return page->runningFlag == 0 && page->workerCount() == 0; }

    test::PrivateFolders folders;
    ScriptedBoxes boxes;
    ListedDocuments chooser;
    std::unique_ptr<CPelvarAllToPDFDlg> window;
    CConvertDlg* page = nullptr;
    QString output;
    QTimer modalWatch;
    QStringList promptedFor;
    bool finishShown = false;
    QStringList finishListed;
    bool spoolFileDuringDialog = false;
};

TEST_F(DesktopProgram, ConvertsThreeDocumentsWithTheOptionsOfThePages) {
    REQUIRE_CORPUS();
    chooser.documents = {corpusFile(QStringLiteral("documents/SampleDoc.docx")),
                         corpusFile(QStringLiteral("documents/plain.doc"))};
    window->findChild<QPushButton*>(QStringLiteral("control1009"))->click();
    dropFiles(*page->fileList(), {corpusFile(QStringLiteral("protected/example_password.docx"))});
    QApplication::processEvents();
    ASSERT_EQ(page->fileList()->count(), 3);
    EXPECT_EQ(page->statusLine()->text(), QStringLiteral("Ready"));
    EXPECT_TRUE(page->convertButton()->isEnabled());

    page->destinationEdit()->setText(output);
    // Description: the document information.
    auto* description = page->descriptionPage();
    QTest::keyClicks(description->controls().get<QLineEdit>(CDescriptionDlg::kDesktopIds.title),
                     QStringLiteral("Quarterly report"));
    QTest::keyClicks(description->controls().get<QLineEdit>(CDescriptionDlg::kDesktopIds.author),
                     QStringLiteral("Ann Example"));
    // Security: passwords, printing allowed, the 128-bit key.
    page->tabControl()->SetCurSel(1);
    ASSERT_TRUE(page->securityPage()->isVisible());
    auto* security = page->securityPage();
    const auto& ids = CSecurityDlg::kDesktopIds;
    security->button(ids.master)->click();
    QTest::keyClicks(security->controls().get<QLineEdit>(ids.userPassword),
                     QStringLiteral("reader"));
    QTest::keyClicks(security->controls().get<QLineEdit>(ids.ownerPassword),
                     QStringLiteral("keeper"));
    security->button(ids.printing)->click();
    security->button(ids.high)->click();
    // Advanced: PDF 1.4, which the 128-bit key needs.
    page->tabControl()->SetCurSel(2);
    ASSERT_TRUE(page->advancedPage()->isVisible());
    page->advancedPage()
        ->list(CAdvancedDlg::kDesktopIds.pdfVersion)
        ->setCurrentText(QStringLiteral("V1.4"));

    pressConvert();
    EXPECT_EQ(page->convertButton()->text(), QStringLiteral("Stop"));
    EXPECT_TRUE(page->statusLine()->text().startsWith(QStringLiteral("Start to convert")));
    EXPECT_FALSE(page->descriptionPage()->isEnabled());
    EXPECT_FALSE(window->findChild<QPushButton*>(QStringLiteral("control1009"))->isEnabled());

    ASSERT_TRUE(waitFor(
        [&] { return finishShown && runOver() && !page->timerRunning(CConvertDlg::Completion); }));
    EXPECT_EQ(promptedFor, QStringList{QStringLiteral("example_password.docx")});
    EXPECT_EQ(finishListed,
              (QStringList{QStringLiteral("example_password.pdf"), QStringLiteral("plain.pdf"),
                           QStringLiteral("SampleDoc.pdf")}));
    EXPECT_EQ(page->statusLine()->text(), QStringLiteral("Complete!"));
    EXPECT_EQ(page->fileList()->count(), 0);
    EXPECT_FALSE(page->convertButton()->isEnabled());
    EXPECT_EQ(page->convertButton()->text(), QStringLiteral("Convert"));
    EXPECT_TRUE(page->descriptionPage()->isEnabled());
    EXPECT_EQ(page->progressBar()->fillVisible, 0);
    EXPECT_TRUE(spoolFileDuringDialog);
    EXPECT_FALSE(QFileInfo::exists(spoolFile()));
    EXPECT_TRUE(page->finishDialog()->convertedFiles.isEmpty());

    for (const char* name : {"SampleDoc.pdf", "plain.pdf", "example_password.pdf"}) {
        const std::string pdf = (output + QLatin1Char('/') + QLatin1String(name)).toStdString();
        std::string error;
        const auto facts = test::readPdf(pdf, "reader", &error);
        ASSERT_TRUE(facts) << name << ": " << error;
        EXPECT_EQ(facts->version, "1.4") << name;
        EXPECT_TRUE(facts->encrypted) << name;
        EXPECT_EQ(facts->keyLength, 128) << name;
        EXPECT_TRUE(facts->userPasswordMatched) << name;
        EXPECT_NE(facts->permissions & 4, 0) << name << ": printing allowed";
        EXPECT_EQ(facts->permissions & 16, 0) << name << ": copying not allowed";
        EXPECT_EQ(facts->info.at("/Title"), "Quarterly report") << name;
        EXPECT_EQ(facts->info.at("/Author"), "Ann Example") << name;
        EXPECT_FALSE(test::readPdf(pdf, "wrong")) << name << " opens without its password";
    }
}

TEST_F(DesktopProgram, StopAnsweredNoGoesOnAndYesAbandonsTheRun) {
    REQUIRE_CORPUS();
    chooser.documents = {corpusFile(QStringLiteral("documents/SampleDoc.docx")),
                         corpusFile(QStringLiteral("documents/Lists.doc")),
                         corpusFile(QStringLiteral("documents/plain.doc"))};
    page->OnAddFiles();
    page->destinationEdit()->setText(output);
    QString answer = QStringLiteral("No");
    int progressAtQuestion = -1;
    boxes.answer = [&](const QString& text) {
        if (text == kStopQuestion) {
            progressAtQuestion = page->progressBar()->fillVisible;
            return answer == QStringLiteral("Yes") ? QMessageBox::Yes : QMessageBox::No;
        }
        return QMessageBox::Ok;
    };

    pressConvert();
    // A second press before the worker's first step stops; it never starts a second worker.
    pressConvert();
    EXPECT_EQ(boxes.count(kStopQuestion), 1);
    EXPECT_EQ(page->workerCount(), 1);
    EXPECT_EQ(page->runningFlag, 1);
    EXPECT_EQ(page->convertButton()->text(), QStringLiteral("Stop"));

    // Once the first document is done, stop for good.
    ASSERT_TRUE(waitFor([&] { return page->progressBar()->fillVisible == 1; }));
    answer = QStringLiteral("Yes");
    pressConvert();
    EXPECT_EQ(boxes.count(kStopQuestion), 2);
    EXPECT_EQ(page->fileList()->count(), 0);
    EXPECT_EQ(page->statusLine()->text(), QStringLiteral("Stoped"));
    EXPECT_EQ(page->convertButton()->text(), QStringLiteral("Convert"));
    EXPECT_FALSE(page->convertButton()->isEnabled());
    EXPECT_TRUE(page->descriptionPage()->isEnabled());
    EXPECT_EQ(page->progressBar()->fillVisible, 0);
    EXPECT_EQ(page->runningFlag, 0);
    EXPECT_EQ(page->fileList()->busy, 0);
    EXPECT_FALSE(page->timerRunning(CConvertDlg::StatusAnimation));

    ASSERT_TRUE(waitFor([&] { return page->workerCount() == 0; }));
    QApplication::processEvents();
    // Nothing of the abandoned run reaches the page.
    EXPECT_EQ(page->statusLine()->text(), QStringLiteral("Stoped"));
    EXPECT_EQ(page->progressBar()->fillVisible, 0);
    EXPECT_FALSE(page->timerRunning(CConvertDlg::Completion));
    EXPECT_TRUE(page->finishDialog()->convertedFiles.isEmpty());
    EXPECT_FALSE(finishShown);
    EXPECT_FALSE(QFileInfo::exists(output + QStringLiteral("/plain.pdf")));
    EXPECT_EQ(test::leftoverProcesses(), std::vector<std::string>{});
}

TEST_F(DesktopProgram, AnExistingPdfKeptSkipsItsDocumentAndStillMovesTheBar) {
    REQUIRE_CORPUS();
    const QString kept = output + QStringLiteral("/SampleDoc.pdf");
    const QString keptToo = output + QStringLiteral("/plain.pdf");
    for (const QString& pdf : {kept, keptToo}) {
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("kept");
    }
    chooser.documents = {corpusFile(QStringLiteral("documents/SampleDoc.docx")),
                         corpusFile(QStringLiteral("documents/plain.doc"))};
    page->OnAddFiles();
    page->destinationEdit()->setText(output);
    std::vector<std::tuple<int, int, int>> barAtQuestion;
    boxes.answer = [&](const QString& text) {
        if (text.endsWith(QStringLiteral(" already exists. Do you want to replace it?")))
            barAtQuestion.emplace_back(page->progressBar()->position, page->progressBar()->range,
                                       page->progressBar()->fillVisible);
        return QMessageBox::No;
    };
    pressConvert();
    ASSERT_TRUE(waitFor([&] { return runOver() && !page->timerRunning(CConvertDlg::Completion); }));

    // The first skip moved the bar before the second question came.
    ASSERT_EQ(barAtQuestion.size(), 2u);
    EXPECT_EQ(std::get<2>(barAtQuestion[0]), 0);
    EXPECT_EQ(barAtQuestion[1], std::make_tuple(1, 2, 1));
    EXPECT_EQ(boxes.count(kept + QStringLiteral(" already exists. Do you want to replace it?")), 1);
    EXPECT_EQ(page->statusLine()->text(), QStringLiteral("Stoped"));
    EXPECT_FALSE(finishShown);
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("kept"));
}

// Documents that crash the office, hang it or make it print garbage each fail with a
// message of their own; the documents before and after them convert.
TEST_F(DesktopProgram, ADocumentThatCrashesHangsOrGarblesTheOfficeFailsAlone) {
    REQUIRE_CORPUS();
    const QString faulty = folders.freshFolder();
    const QStringList faults{QStringLiteral("crash"), QStringLiteral("hang"),
                             QStringLiteral("garbage")};
    chooser.documents = {corpusFile(QStringLiteral("documents/plain.doc"))};
    for (const QString& fault : faults) {
        chooser.documents << faulty + u'/' + fault + QStringLiteral(".doc");
        ASSERT_TRUE(QFile::copy(corpusFile(QStringLiteral("documents/plain.doc")),
                                chooser.documents.back()));
    }
    chooser.documents << corpusFile(QStringLiteral("documents/SampleDoc.docx"));
    const test::ScopedEnvironment faultsWanted("OSTREL_OFFICE_FAULTS",
                                               "crash=crash.doc;hang=hang.doc;garbage=garbage.doc");
    const test::ScopedEnvironment hangBound("OSTREL_OFFICE_TIMEOUT", "30");
    page->OnAddFiles();
    page->destinationEdit()->setText(output);
    pressConvert();
    ASSERT_TRUE(waitFor(
        [&] { return finishShown && runOver() && !page->timerRunning(CConvertDlg::Completion); }));

    finishListed.sort();
    EXPECT_EQ(finishListed,
              (QStringList{QStringLiteral("SampleDoc.pdf"), QStringLiteral("plain.pdf")}));
    for (const QString& fault : faults) {
        const QString failed = faulty + u'/' + fault + QStringLiteral(".doc was not converted: ");
        EXPECT_EQ(std::count_if(boxes.shown.begin(), boxes.shown.end(),
                                [&](const auto& box) { return box.text.startsWith(failed); }),
                  1)
            << failed.toStdString();
        EXPECT_FALSE(QFileInfo::exists(output + u'/' + fault + QStringLiteral(".pdf")));
    }
    EXPECT_TRUE(promptedFor.isEmpty());
}

TEST_F(DesktopProgram, RefusesToStartWithoutDocumentsOrFolder) {
    page->OnConvert();
    EXPECT_EQ(boxes.count(QStringLiteral("No Word File")), 1);
    chooser.documents = {corpusFile(QStringLiteral("documents/plain.doc"))};
    page->OnAddFiles();
    EXPECT_EQ(page->destinationEdit()->text(), corpusFile(QStringLiteral("documents/")));
    page->destinationEdit()->setText(output + QStringLiteral("/missing"));
    pressConvert();
    EXPECT_EQ(boxes.count(QStringLiteral("Wrong Path cause wrong, Input a valid file path!")), 1);
    EXPECT_EQ(page->runningFlag, 0);
    EXPECT_EQ(page->workerCount(), 0);
    EXPECT_EQ(boxes.shown.back().caption, QStringLiteral("OstrelWordToPdf"));
}

TEST_F(DesktopProgram, ClosingDuringARunAsksAndLeavesNoProcess) {
    REQUIRE_CORPUS();
    chooser.documents = {corpusFile(QStringLiteral("documents/SampleDoc.docx")),
                         corpusFile(QStringLiteral("documents/plain.doc"))};
    page->OnAddFiles();
    page->destinationEdit()->setText(output);
    bool yes = false;
    boxes.answer = [&](const QString& text) {
        return text == kStopQuestion && yes ? QMessageBox::Yes : QMessageBox::No;
    };
    pressConvert();
    // Let the office start on the first document.
    ASSERT_TRUE(waitFor([&] { return !test::leftoverProcesses().empty(); }));
    window->close();
    EXPECT_TRUE(window->isVisible()) << "No keeps the program running";
    EXPECT_EQ(page->runningFlag, 1);
    yes = true;
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(page->workerCount(), 0);
    EXPECT_EQ(test::leftoverProcesses(), std::vector<std::string>{});
    window.reset();
}

TEST_F(DesktopProgram, AdvancedSwitchFoldsPageAndWindowByTheSameAmount) {
    // The page lives inside the main window, which opens shorter than its template.
    EXPECT_FALSE(page->isWindow());
    EXPECT_EQ(page->window(), window.get());
    const QSize collapsedWindow = window->size();
    const QSize collapsedPage = page->size();
    EXPECT_FALSE(page->advancedSwitch()->isChecked());
    page->advancedSwitch()->click();
    const int grown = window->height() - collapsedWindow.height();
    EXPECT_GT(grown, 0);
    EXPECT_EQ(page->height() - collapsedPage.height(), grown);
    EXPECT_EQ(window->width(), collapsedWindow.width());
    page->advancedSwitch()->click();
    EXPECT_EQ(window->size(), collapsedWindow);
    EXPECT_EQ(page->size(), collapsedPage);
}

TEST_F(DesktopProgram, KeyboardTabChangesShowTheirPage) {
    page->tabControl()->setFocus();
    page->tabControl()->tabBar()->setFocus();
    QTest::keyClick(page->tabControl()->tabBar(), Qt::Key_Right);
    EXPECT_EQ(page->currentTab(), 1);
    EXPECT_TRUE(page->securityPage()->isVisibleTo(page));
    EXPECT_FALSE(page->descriptionPage()->isVisibleTo(page));
}

class RecordingShell : public ShellOpener {
public:
    QStringList opened;
    QString noProgramFor; // a file ending the desktop has no program for
    void open(const QString& pathOrUrl) override { opened << pathOrUrl; }
    bool openWithProgram(const QString& pathOrUrl) override {
        if (!noProgramFor.isEmpty() && pathOrUrl.endsWith(noProgramFor))
            return false;
        opened << pathOrUrl;
        return true;
    }
    void showInFolder(const QString&, const QString&) override {}
};

TEST_F(DesktopProgram, HeaderButtonsOpenTheWebsiteAndTheHelpBesideTheProgram) {
    RecordingShell shell;
    window->shell = &shell;
    window->findChild<QPushButton*>(QStringLiteral("control1030"))->click();
    window->findChild<QPushButton*>(QStringLiteral("control1031"))->click();
    const QString helpFolder = QApplication::applicationDirPath() + QStringLiteral("/help");
    EXPECT_EQ(shell.opened,
              (QStringList{QStringLiteral("https://www.ostrel.example/"),
                           helpFolder + QStringLiteral("/Ostrel Word To PDF 3.0 - Help.chm")}));
    // A desktop without a program for compiled help gets the same pages in the browser.
    shell.opened.clear();
    shell.noProgramFor = QStringLiteral(".chm");
    window->OnHelp();
    EXPECT_EQ(shell.opened, QStringList{helpFolder + QStringLiteral("/index.html")});
    // The build puts the compiled help beside the pages, as the installed tree does.
    QFile built(QStringLiteral(OSTREL_DESKTOP_HELP));
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    EXPECT_EQ(built.read(4), QByteArray("ITSF"));

    // About refuses during a run; the window's own menu item still shows the box.
    page->runningFlag = 1;
    window->OnAbout();
    EXPECT_EQ(boxes.count(QStringLiteral("Working now, hold for a moment!")), 1);
    EXPECT_EQ(boxes.shown.back().caption, QStringLiteral("OstrelWordToPdf"));
    bool aboutShown = false;
    QTimer::singleShot(0, [&] {
        if (auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            aboutShown = about->windowTitle() == QStringLiteral("About Ostrel Word To PDF 3.0");
            about->accept();
        }
    });
    window->OnSysCommandAbout();
    EXPECT_TRUE(aboutShown);
    page->runningFlag = 0;
}

TEST_F(DesktopProgram, HelpAndWebsiteSayWhereTheyAreWhenNothingCanOpenThem) {
    // The desktop's opener as on a machine without a browser: "no method available".
    QTemporaryDir tools;
    ASSERT_TRUE(tools.isValid());
    QFile opener(tools.filePath(QStringLiteral("xdg-open")));
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\necho 'xdg-open: no method available for opening' \"$1\" >&2\n"
                 "exit 3\n");
    opener.close();
    opener.setPermissions(opener.permissions() | QFileDevice::ExeOwner);
    const QByteArray path = QFile::encodeName(tools.path()) + ':' + qgetenv("PATH");
    const test::ScopedEnvironment searchPath("PATH", path.constData());

    DesktopShell shell;
    window->shell = &shell;
    window->OnHelp();
    const QString folder = QApplication::applicationDirPath() + QStringLiteral("/help");
    EXPECT_EQ(boxes.count(QStringLiteral("No program can open the help here. Its pages are in ") +
                          folder),
              1);
    const QString website = QStringLiteral(
        "No program can open the website here. Its address is https://www.ostrel.example/");
    window->OnWebsite();
    EXPECT_EQ(boxes.count(website), 1);
    CAboutDlg about(window.get(), &shell, &boxes);
    about.OnWebsiteLink();
    EXPECT_EQ(boxes.count(website), 2);
}

TEST(DesktopShellTest, HelpHasAProgramOnlyWhenTheDesktopAssociatesOne) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray config = QFile::encodeName(home.filePath(QStringLiteral("config")));
    const test::ScopedEnvironment configHome("XDG_CONFIG_HOME", config.constData());
    const test::ScopedEnvironment configDirs("XDG_CONFIG_DIRS", config.constData());
    const test::ScopedEnvironment dataHome(
        "XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))).constData());
    const test::ScopedEnvironment desktop("XDG_CURRENT_DESKTOP", nullptr);
    const QString help = QStringLiteral(OSTREL_DESKTOP_HELP);
    EXPECT_FALSE(DesktopShell::hasProgramFor(help));

    // A viewer that says it opens compiled help, chosen for it.
    const auto write = [&](const QString& relative, const QByteArray& content) {
        QDir().mkpath(QFileInfo(home.filePath(relative)).path());
        QFile file(home.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    write(QStringLiteral("data/applications/viewer.desktop"),
          "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %f\n"
          "MimeType=application/vnd.ms-htmlhelp;\n");
    write(QStringLiteral("config/mimeapps.list"),
          "[Default Applications]\napplication/vnd.ms-htmlhelp=viewer.desktop\n"
          "text/html=OstrelWordToPdf.desktop\n");
    EXPECT_TRUE(DesktopShell::hasProgramFor(help));
    // The program itself, named for web pages where nothing else opens them, is no
    // program for its own help pages.
    write(QStringLiteral("data/applications/OstrelWordToPdf.desktop"),
          "[Desktop Entry]\nType=Application\nName=Ostrel\nExec=OstrelWordToPdf %F\n"
          "MimeType=text/html;\n");
    EXPECT_FALSE(DesktopShell::hasProgramFor(home.filePath(QStringLiteral("index.html"))));
}

TEST_F(DesktopProgram, DocumentsOfALaterStartAreListedAsIfDroppedOrConverted) {
    REQUIRE_CORPUS();
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const test::ScopedEnvironment privateRuntime("XDG_RUNTIME_DIR",
                                                 QFile::encodeName(runtime.path()).constData());
    const QString name = QStringLiteral("OstrelWordToPDF");
    DocumentReceiver receiver(name);
    ASSERT_TRUE(receiver.listening());
    QObject::connect(&receiver, &DocumentReceiver::received, page,
                     [this](const QList<QUrl>& documents, bool convert) {
                         page->listDocuments(documents, convert);
                     });
    QSignalSpy arrived(&receiver, &DocumentReceiver::received);
    // The later start waits for the program's answer while the program's loop runs.
    const auto handOver = [&](const QStringList& arguments) {
        std::atomic<bool> done = false;
        bool taken = false;
        std::thread start([&] {
            taken = handDocumentsOver(name, readCommandLine(arguments), std::chrono::seconds(60));
            done = true;
        });
        const qsizetype before = arrived.count();
        EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 120'000));
        start.join();
        // Then the list takes them, and the drop's notice follows.
        EXPECT_TRUE(QTest::qWaitFor([&] { return arrived.count() > before; }, 60'000));
        QCoreApplication::sendPostedEvents();
        return taken;
    };

    const QString folder = output;
    for (const char* document : {"documents/plain.doc", "documents/SampleDoc.docx"})
        ASSERT_TRUE(QFile::copy(corpusFile(QLatin1String(document)),
                                folder + QLatin1Char('/') + QFileInfo(document).fileName()));
    const QDir previous = QDir::current();
    QDir::setCurrent(folder);
    // Relative names, a type the list refuses, then a folder, which ends the list.
    EXPECT_TRUE(handOver({QStringLiteral("plain.doc"), QStringLiteral("notes.pdf"),
                          QStringLiteral("SampleDoc.docx"), QStringLiteral("/tmp"),
                          QStringLiteral("after.doc")}));
    QDir::setCurrent(previous.path());
    ASSERT_EQ(page->fileList()->count(), 2);
    EXPECT_EQ(page->fileList()->item(0)->text(), folder + QStringLiteral("/plain.doc"));
    EXPECT_EQ(boxes.count(QStringLiteral("Convert Word File existing.")), 1);
    EXPECT_EQ(page->destinationEdit()->text(), folder + QLatin1Char('/'));
    EXPECT_EQ(page->runningFlag, 0);

    // "Convert to PDF" of the file manager on a list that holds documents already: listed only.
    EXPECT_TRUE(handOver({QStringLiteral("--convert"), folder + QStringLiteral("/plain.doc")}));
    EXPECT_EQ(boxes.count(QStringLiteral("Convert Word File existing.")), 2);
    EXPECT_EQ(page->runningFlag, 0);

    // On an empty list it converts into the documents' folder at once.
    page->OnRemoveAll();
    EXPECT_TRUE(handOver({QStringLiteral("--convert"), folder + QStringLiteral("/plain.doc")}));
    EXPECT_TRUE(waitFor([&] { return page->runningFlag == 1 || finishShown; }));
    ASSERT_TRUE(waitFor([&] { return finishShown && runOver(); }));
    EXPECT_EQ(finishListed, QStringList{QStringLiteral("plain.pdf")});
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/plain.pdf")));
}

TEST(DesktopProgramProcess, ASecondStartEndsAtOnceWithExitCodeZero) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(OSTREL_DESKTOP_PROGRAM), {});
    ASSERT_TRUE(first.waitForStarted());
    const QString lock = runtime.path() + QStringLiteral("/OstrelWordToPDF");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(lock); }, 60'000));

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(OSTREL_DESKTOP_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(60'000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running) << "the first program keeps running";

    // A start with a document hands it over: status 0 once the running program took it.
    QFile document(runtime.filePath(QStringLiteral("report.doc")));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.close();
    second.start(QStringLiteral(OSTREL_DESKTOP_PROGRAM), {document.fileName()});
    ASSERT_TRUE(second.waitForFinished(60'000));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(30'000));
    // The lock goes with its process.
    const test::ScopedEnvironment privateRuntime("XDG_RUNTIME_DIR",
                                                 QFile::encodeName(runtime.path()).constData());
    EXPECT_TRUE(SingleInstance(QStringLiteral("OstrelWordToPDF")).first());
}

} // namespace
} // namespace ostrel
