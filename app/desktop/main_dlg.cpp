#include "main_dlg.h"

#include "about_dlg.h"
#include "convert_dlg.h"
#include "message_boxes.h"
#include "product.h"
#include "resource_ids.h"
#include "shell_opener.h"
#include "templates.h"
#include "transparent_button.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>

namespace ostrel {

namespace {

QWidget* makeHeaderButton(QWidget* owner, const DialogItem&) {
    return new CTransParentButton(owner);
}

} // namespace

CPelvarAllToPDFDlg::CPelvarAllToPDFDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      messageBoxes(&MessageBoxes::standard()), shell(&ShellOpener::standard()),
      controls_(createDialog(this, mainTemplate(),
                             {{IDC_WEBSITE, makeHeaderButton},
                              {IDC_HELP, makeHeaderButton},
                              {IDC_ABOUT, makeHeaderButton}})),
      icon_(loadIcon(IDR_MAINFRAME)) {
    setObjectName(QStringLiteral("mainWindow"));
    OnInitDialog();
}

CPelvarAllToPDFDlg::~CPelvarAllToPDFDlg() {
    // The page waits for its worker before anything it uses goes.
    delete convertPage_;
}

void CPelvarAllToPDFDlg::OnInitDialog() {
    setWindowIcon(icon_);
    headerPicture_ = loadBitmap(IDB_HEADER);
    // Not resizable; the template's size until the page shortens it.
    setFixedSize(size());
    // The template places the window at the top left corner of the screen.
    move(0, 0);

    QWidget* host = controls_.item(IDC_PAGE_HOST);
    convertPage_ = new CConvertDlg(host);
    convertPage_->mainWindow = this;
    convertPage_->setGeometry(host->rect().adjusted(8, 20, -8, -8));
    // The page host follows the page when the advanced section folds.
    host->setMinimumSize(0, 0);
    convertPage_->UpdateAdvancedSection();
    convertPage_->show();

    const std::pair<int, int> buttons[] = {
        {IDC_WEBSITE, IDI_WEBSITE}, {IDC_HELP, IDI_HELP}, {IDC_ABOUT, IDI_ABOUT}};
    for (const auto& [id, iconId] : buttons) {
        auto* button = controls_.get<CTransParentButton>(id);
        const QIcon buttonIcon = loadIcon(iconId);
        button->normalIcon = buttonIcon;
        button->hotIcon = buttonIcon;
        button->hasIcon = true;
        button->iconTopMargin = 10;
        button->Repaint();
        button->layout = 1;
        button->Repaint();
    }
    connect(controls_.get<CTransParentButton>(IDC_WEBSITE), &QPushButton::clicked, this,
            &CPelvarAllToPDFDlg::OnWebsite);
    connect(controls_.get<CTransParentButton>(IDC_HELP), &QPushButton::clicked, this,
            &CPelvarAllToPDFDlg::OnHelp);
    connect(controls_.get<CTransParentButton>(IDC_ABOUT), &QPushButton::clicked, this,
            &CPelvarAllToPDFDlg::OnAbout);
}

void CPelvarAllToPDFDlg::OnWebsite() {
    openWebsite(this, *shell, *messageBoxes);
}

QString CPelvarAllToPDFDlg::helpFile(const QString& name) {
    // Beside the program in the build, in the installed tree's share/ostrel/help.
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString& folder : {QStringLiteral("help"), QStringLiteral("../share/ostrel/help")}) {
        const QString file = programFolder.absoluteFilePath(folder + QLatin1Char('/') + name);
        if (QFileInfo::exists(file)) {
            return QDir::cleanPath(file);
        }
    }
    return {};
}

QString CPelvarAllToPDFDlg::helpFilePath() {
    return helpFile(QString::fromUtf8(kProductCaption) + QStringLiteral(" - Help.chm"));
}

QString CPelvarAllToPDFDlg::helpPagesPath() {
    return helpFile(QStringLiteral("index.html"));
}

void CPelvarAllToPDFDlg::OnHelp() {
    const QString compiled = helpFilePath();
    if (!compiled.isEmpty() && shell->openWithProgram(compiled)) {
        return;
    }
    // Few Linux desktops have a viewer for compiled help: the same pages in the browser.
    const QString pages = helpPagesPath();
    if (!pages.isEmpty() && shell->openWithProgram(pages)) {
        return;
    }
    const QString found = pages.isEmpty() ? compiled : pages;
    const QString folder = found.isEmpty()
                               ? QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                                 QStringLiteral("/../share/ostrel/help"))
                               : QFileInfo(found).absolutePath();
    messageBoxes->refuse(
        this, QStringLiteral("No program can open the help here. Its pages are in %1").arg(folder));
}

void CPelvarAllToPDFDlg::OnAbout() {
    if (convertPage_->runningFlag == 1) {
        messageBoxes->refuse(this, QStringLiteral("Working now, hold for a moment!"));
        return;
    }
    showAbout();
}

void CPelvarAllToPDFDlg::OnSysCommandAbout() {
    showAbout();
}

void CPelvarAllToPDFDlg::showAbout() {
    CAboutDlg about(this, shell, messageBoxes);
    about.exec();
}

void CPelvarAllToPDFDlg::paintEvent(QPaintEvent* event) {
    if (!headerPicture_.isNull()) {
        QPainter painter(this);
        const QRect line = controls_.item(IDC_HEADER_LINE)->geometry();
        const int headerBottom = line.top() + controls_.units().y(1);
        painter.drawPixmap(QRect(0, 0, width(), headerBottom - 1), headerPicture_);
    }
    QDialog::paintEvent(event);
}

// The window manager's own menu cannot be extended here: the About item of the system
// menu is offered by a right click on the window.
void CPelvarAllToPDFDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("About ") + QString::fromUtf8(kProductCaption), this,
                   &CPelvarAllToPDFDlg::OnSysCommandAbout);
    menu.exec(event->globalPos());
}

void CPelvarAllToPDFDlg::closeEvent(QCloseEvent* event) {
    if (convertPage_->runningFlag == 1) {
        const auto answer =
            messageBoxes->show(this, QMessageBox::Information, QString::fromUtf8(kProductCaption),
                               QStringLiteral(" Are you sure you want to stop the conversion? "),
                               QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    // No worker may outlive the page, and no office the program.
    convertPage_->abandonRun();
    convertPage_->endOffice();
    event->accept();
    done(QDialog::Rejected);
}

void CPelvarAllToPDFDlg::reject() {
    close();
}

} // namespace ostrel
