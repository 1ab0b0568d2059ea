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
#include "handover_queue.h"
#include "list_box_ex.h"
#include "main_dlg.h"
#include "message_boxes.h"
#include "missing.h"
#include "pdf_facts.h"
#include "recorders.h"
#include "security_dlg.h"
#include "shell_opener.h"
#include "single_instance.h"
#include "tab_ctrl_ex.h"

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

#include <sys/stat.h>

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
    // Security: passwords, printing allowed, AES-256.
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
    security->button(ids.aes)->click();
    // Advanced: PDF 1.4, which AES-256 raises to 1.7.
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
        EXPECT_EQ(facts->version, "1.7") << name;
        EXPECT_TRUE(facts->encrypted) << name;
        EXPECT_EQ(facts->revision, 6) << name;
        EXPECT_EQ(facts->keyLength, 256) << name;
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

TEST_F(DesktopProgram, HeaderButtonsOpenTheWebsiteAndTheHelpBesideTheProgram) {
    test::RecordingShell shell;
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

// The running program's socket in a private runtime folder, its requests listed by the
// program's queue; later starts hand over from a thread while the test's loop runs.
class HandOvers {
public:
    explicit HandOvers(CConvertDlg& page)
        : privateRuntime_("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()).constData()),
          queue_(page) {
        QObject::connect(&receiver_, &DocumentReceiver::received, &page,
                         [this](const DocumentRequest& request) {
                             queue_.add(request);
                             ++listed_;
                         });
    }
    bool listening() const { return receiver_.listening(); }

    // Hands each request over as a later start would; answers how many were taken, once
    // the program has listed them all.
    int handOver(const std::vector<DocumentRequest>& requests) {
        std::atomic<int> taken = 0;
        std::atomic<bool> done = false;
        const int before = listed_;
        std::thread starts([&] {
            for (const DocumentRequest& request : requests)
                taken += handDocumentsOver(kName, request, std::chrono::seconds(60)) ? 1 : 0;
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 600'000));
        starts.join();
        EXPECT_TRUE(QTest::qWaitFor([&] { return listed_ - before == taken; }, 120'000));
        return taken;
    }
    bool handOver(const QStringList& arguments) {
        return handOver(std::vector{readCommandLine(arguments)}) == 1;
    }

private:
    inline static const QString kName = QStringLiteral("OstrelWordToPDF");
    QTemporaryDir runtime_;
    test::ScopedEnvironment privateRuntime_;
    DocumentReceiver receiver_{kName};
    HandoverQueue queue_;
    int listed_ = 0;
};

TEST_F(DesktopProgram, DocumentsOfALaterStartAreCheckedEachAndListedOrConverted) {
    REQUIRE_CORPUS();
    HandOvers starts(*page);
    ASSERT_TRUE(starts.listening());

    const QString folder = output;
    for (const char* document : {"documents/plain.doc", "documents/SampleDoc.docx"})
        ASSERT_TRUE(QFile::copy(corpusFile(QLatin1String(document)),
                                folder + QLatin1Char('/') + QFileInfo(document).fileName()));
    const QString fifo = folder + QStringLiteral("/pipe.doc");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile(folder + QStringLiteral("/empty.docx")).open(QIODevice::WriteOnly);
    const QDir previous = QDir::current();
    QDir::setCurrent(folder);
    // Relative names; each refused one is named in one message, and never drops the next.
    EXPECT_TRUE(starts.handOver(
        {QStringLiteral("plain.doc"), QStringLiteral("missing.doc"), QStringLiteral("pipe.doc"),
         QStringLiteral("/tmp"), QStringLiteral("empty.docx"), QStringLiteral("plain.doc"),
         QStringLiteral("SampleDoc.docx"), QStringLiteral("notes.txt.pdf")}));
    QDir::setCurrent(previous.path());
    ASSERT_EQ(page->fileList()->count(), 2);
    EXPECT_EQ(page->fileList()->item(0)->text(), folder + QStringLiteral("/plain.doc"));
    EXPECT_EQ(page->fileList()->item(1)->text(), folder + QStringLiteral("/SampleDoc.docx"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    const QStringList refused{folder + QStringLiteral("/missing.doc: no such file"),
                              fifo + QStringLiteral(": not a regular file (a FIFO)"),
                              QStringLiteral("/tmp: not a regular file (a folder)"),
                              folder + QStringLiteral("/empty.docx: empty file (0 bytes)"),
                              folder + QStringLiteral("/plain.doc: listed already"),
                              folder + QStringLiteral("/notes.txt.pdf: no such file")};
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("These documents were not listed:\n") + refused.join(u'\n'));
    EXPECT_EQ(page->destinationEdit()->text(), folder + QLatin1Char('/'));
    EXPECT_EQ(page->runningFlag, 0);

    // "Convert to PDF" of the file manager on a list that holds documents already: listed only.
    EXPECT_TRUE(
        starts.handOver({QStringLiteral("--convert"), folder + QStringLiteral("/plain.doc")}));
    EXPECT_EQ(boxes.shown.back().text, QStringLiteral("These documents were not listed:\n") +
                                           folder + QStringLiteral("/plain.doc: listed already"));
    EXPECT_EQ(page->runningFlag, 0);

    // A file dropped by the mouse keeps the drop's rules and is checked when the run
    // comes to it: a missing file and a FIFO are named as such, with no password asked.
    page->OnRemoveAll();
    dropFiles(*page->fileList(), {folder + QStringLiteral("/gone.doc"), fifo});
    QApplication::processEvents();
    ASSERT_EQ(page->fileList()->count(), 2);
    page->destinationEdit()->setText(output);
    pressConvert();
    ASSERT_TRUE(waitFor([&] { return runOver(); }));
    EXPECT_EQ(boxes.count(folder + QStringLiteral("/gone.doc was not converted: no such file")), 1);
    EXPECT_EQ(boxes.count(fifo + QStringLiteral(" was not converted: not a regular file (a FIFO)")),
              1);
    EXPECT_TRUE(promptedFor.isEmpty());

    // On an empty list it converts into the documents' folder at once.
    EXPECT_TRUE(
        starts.handOver({QStringLiteral("--convert"), folder + QStringLiteral("/plain.doc")}));
    EXPECT_TRUE(waitFor([&] { return page->runningFlag == 1 || finishShown; }));
    ASSERT_TRUE(waitFor([&] { return finishShown && runOver(); }));
    EXPECT_EQ(finishListed, QStringList{QStringLiteral("plain.pdf")});
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/plain.pdf")));
}

TEST_F(DesktopProgram, AFloodOfHandOversShowsOneMessageAtATime) {
    // The program's own message boxes, real and modal: each one is closed when it is the
    // active window, after the requests that came meanwhile were queued behind it.
    page->messageBoxes = &MessageBoxes::standard();
    int mostOpen = 0;
    QStringList messages;
    QObject::disconnect(&modalWatch, nullptr, nullptr, nullptr);
    QObject::connect(&modalWatch, &QTimer::timeout, [&] {
        const auto open = window->findChildren<QMessageBox*>();
        int visible = 0;
        for (QMessageBox* box : open)
            visible += box->isVisible() ? 1 : 0;
        mostOpen = std::max(mostOpen, visible);
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            messages << box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    HandOvers starts(*page);
    ASSERT_TRUE(starts.listening());

    // One start naming 20,000 files: the first thousand are checked, the rest refused at
    // once. Then 5,000 starts, each naming a file that is not there.
    std::vector<DocumentRequest> requests(1);
    for (int i = 0; i < 20'000; ++i)
        requests[0].documents << QUrl::fromLocalFile(output +
                                                     QStringLiteral("/many-%1.doc").arg(i));
    for (int i = 0; i < 5000; ++i)
        requests.push_back(
            {{QUrl::fromLocalFile(output + QStringLiteral("/missing-%1.doc").arg(i))}});
    EXPECT_EQ(starts.handOver(requests), 5001);
    ASSERT_TRUE(waitFor([&] { return QApplication::activeModalWidget() == nullptr; }));
    EXPECT_EQ(mostOpen, 1);
    // Every refused name is counted in a message: listed, or in its "and N more".
    qsizetype refused = 0;
    for (const QString& message : messages) {
        const QStringList lines = message.split(QLatin1Char('\n'));
        refused += lines.size() - 1;
        if (lines.back().startsWith(QStringLiteral("and ")))
            refused += lines.back().section(QLatin1Char(' '), 1, 1).toInt() - 1;
    }
    EXPECT_EQ(refused, 5000 + 1000 + 1) << messages.join(u'\n').toStdString();
    EXPECT_TRUE(messages.join(u'\n').contains(
        QStringLiteral("19000 more documents: at most 1000 are taken at once")));
    EXPECT_LT(messages.size(), 5000) << "requests that waited share a message";
    EXPECT_EQ(page->fileList()->count(), 0);
    EXPECT_TRUE(window->isVisible());
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
