// Renders the windows to PNG files so that anyone can look at them: the main window
// folded and unfolded, each option tab, the about box, the add-in's option pages, the
// password prompt, a run in progress and the finish dialog.
// Usage: ostrel_screenshots OUTPUT_FOLDER [DOCUMENT...]
// The run is made with the documents given (two or more show the bar moving).
#include "about_dlg.h"
#include "advanced_dlg.h"
#include "bmp_prog_ctrl.h"
#include "convert_dlg.h"
#include "description_dlg.h"
#include "enter_password_dlg.h"
#include "finish_dlg.h"
#include "list_box_ex.h"
#include "main_dlg.h"
#include "message_boxes.h"
#include "security_dlg.h"
#include "tab_ctrl_ex.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

using namespace ostrel;

class Documents : public FileChooser {
public:
    QStringList documents;
    QStringList chooseDocuments(QWidget*) override { return documents; }
    QString chooseFolder(QWidget*) override { return {}; }
};

// Answers every box with Yes (replace existing PDFs) and notes it.
class YesBoxes : public MessageBoxes {
public:
    QMessageBox::StandardButton show(QWidget*, QMessageBox::Icon, const QString&,
                                     const QString& text, QMessageBox::StandardButtons) override {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
        return QMessageBox::Yes;
    }
};

bool waitUntil(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

bool save(QWidget* widget, const QDir& folder, const QString& name) {
    const QString file = folder.filePath(name + QStringLiteral(".png"));
    const bool saved = widget->grab().save(file);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(file));
    return saved;
}

// An add-in page as the add-in's dialog shows it: on its tab control.
template <class Page> bool savePage(const QDir& folder, const QString& name, int tab) {
    CTabCtrlEx tabs(nullptr, CTabCtrlEx::Variant::AddIn);
    for (const char* title : {"Description", "Security", "Advanced"}) {
        tabs.InsertItem(tabs.GetItemCount(), QString::fromLatin1(title));
    }
    tabs.SetCurSel(tab);
    Page page(PageTemplate::AddIn, &tabs);
    tabs.resize(page.width() + 5, page.height() + 34);
    page.move(1, 30);
    page.show();
    tabs.show();
    QApplication::processEvents();
    return save(&tabs, folder, name);
}

bool saveAddinPagesAndPrompt(const QDir& folder) {
    bool ok = savePage<CDescriptionDlg>(folder, QStringLiteral("addin-description"), 0);
    ok &= savePage<CSecurityDlg>(folder, QStringLiteral("addin-security"), 1);
    ok &= savePage<CAdvancedDlg>(folder, QStringLiteral("addin-advanced"), 2);
    CEnterPassWordDlg prompt;
    prompt.fileName = QStringLiteral("report.doc");
    prompt.show();
    QApplication::processEvents();
    return save(&prompt, folder, QStringLiteral("enter-password")) && ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OstrelWordToPdf"));
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [DOCUMENT...]\n", argv[0]);
        return 2;
    }
    QDir folder(arguments.at(1));
    folder.mkpath(QStringLiteral("."));
    bool ok = true;

    Documents chooser;
    YesBoxes boxes;
    CPelvarAllToPDFDlg window;
    CConvertDlg* page = window.convertPage();
    page->fileChooser = &chooser;
    page->messageBoxes = &boxes;
    page->fileList()->messageBoxes = &boxes;
    window.show();
    QApplication::processEvents();
    ok &= save(&window, folder, QStringLiteral("main-collapsed"));

    page->advancedSwitch()->click();
    QApplication::processEvents();
    ok &= save(&window, folder, QStringLiteral("main-expanded"));
    const char* tabs[] = {"tab-description", "tab-security", "tab-advanced"};
    for (int tab = 0; tab < 3; ++tab) {
        page->tabControl()->SetCurSel(tab);
        QApplication::processEvents();
        ok &= save(&window, folder, QString::fromLatin1(tabs[tab]));
    }
    page->tabControl()->SetCurSel(1);
    page->securityPage()->button(CSecurityDlg::kDesktopIds.master)->click();
    QApplication::processEvents();
    ok &= save(&window, folder, QStringLiteral("tab-security-enabled"));
    page->securityPage()->button(CSecurityDlg::kDesktopIds.master)->click();
    page->tabControl()->SetCurSel(0);

    {
        CAboutDlg about(&window);
        about.show();
        QApplication::processEvents();
        ok &= save(&about, folder, QStringLiteral("about"));
    }
    ok &= saveAddinPagesAndPrompt(folder);

    chooser.documents = arguments.mid(2);
    if (chooser.documents.isEmpty()) {
        return ok ? 0 : 1;
    }

    QTemporaryDir output;
    page->OnAddFiles();
    page->destinationEdit()->setText(output.path());
    QApplication::processEvents();
    ok &= save(&window, folder, QStringLiteral("main-ready"));

    bool finishSaved = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* finish = qobject_cast<CFinishDlg*>(QApplication::activeModalWidget())) {
            QApplication::processEvents();
            finishSaved = save(finish, folder, QStringLiteral("finish-dialog"));
            static_cast<QDialog*>(finish)->reject();
        }
    });
    watch.start(200);

    page->convertButton()->click();
    const int bound = 600'000;
    // In progress: the first document done, the status animated.
    const bool moved = waitUntil(
        [&] { return page->progressBar()->fillVisible == 1 || page->runningFlag == 0; }, bound);
    QApplication::processEvents();
    ok &= moved && save(&window, folder, QStringLiteral("run-in-progress"));
    ok &= waitUntil([&] { return finishSaved; }, bound);
    waitUntil([&] { return page->workerCount() == 0; }, bound);
    return ok ? 0 : 1;
}
