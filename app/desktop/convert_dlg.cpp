#include "convert_dlg.h"

#include "bmp_prog_ctrl.h"
#include "document_conversion.h"
#include "document_password.h"
#include "enable_edit.h"
#include "enter_password_dlg.h"
#include "finish_dlg.h"
#include "input_file.h"
#include "list_box_ex.h"
#include "message_boxes.h"
#include "output_name.h"
#include "product.h"
#include "system/spool_folder.h"
#include "tab_ctrl_ex.h"
#include "templates.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTimerEvent>

namespace ostrel {

namespace {

const QString kWorkingNow = QStringLiteral("Working now,Hold for a moment!");
const QString kStartToConvert = QStringLiteral("Start to convert");
const QString kStopQuestion = QStringLiteral(" Are you sure you want to stop the conversion? ");

class QtFileChooser : public FileChooser {
public:
    QStringList chooseDocuments(QWidget* owner) override {
        return QFileDialog::getOpenFileNames(
            owner, QString(), QString(), QStringLiteral("Word Files(*.doc;*.docx) (*.doc *.docx)"));
    }
    QString chooseFolder(QWidget* owner) override {
        return QFileDialog::getExistingDirectory(
            owner, QString(), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    }
};

std::optional<QString> promptForPassword(QWidget* owner, const QString& fileName) {
    CEnterPassWordDlg prompt(owner);
    prompt.fileName = fileName;
    if (prompt.exec() != QDialog::Accepted)
        return std::nullopt;
    return prompt.password;
}

// The folder part of a path, with its trailing separator.
QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

FileChooser& FileChooser::standard() {
    static QtFileChooser chooser;
    return chooser;
}

CConvertDlg::CConvertDlg(QWidget* parent)
    : QDialog(parent, Qt::Widget), messageBoxes(&MessageBoxes::standard()),
      fileChooser(&FileChooser::standard()), passwordPrompt(promptForPassword),
      controls_(createDialog(
          this, convertTemplate(),
          {
              {IDC_FILE_LIST,
               [](QWidget* owner, const DialogItem&) { return new CListBoxEx(owner); }},
              {IDC_STATUS,
               [](QWidget* owner, const DialogItem&) {
                   auto* edit = new CEnableEdit(owner);
                   edit->setFrameShape(QFrame::NoFrame);
                   return edit;
               }},
              {IDC_PROGRESS,
               [](QWidget* owner, const DialogItem&) { return new CBmpProgCtrl(owner); }},
              {IDC_TAB, [](QWidget* owner, const DialogItem&) { return new CTabCtrlEx(owner); }},
          })),
      fileList_(controls_.get<CListBoxEx>(IDC_FILE_LIST)),
      statusLine_(controls_.get<CEnableEdit>(IDC_STATUS)),
      progressBar_(controls_.get<CBmpProgCtrl>(IDC_PROGRESS)),
      convertButton_(controls_.get<QPushButton>(IDC_CONVERT)),
      advancedSwitch_(controls_.get<QCheckBox>(IDC_ADVANCED_SWITCH)),
      destinationEdit_(controls_.get<QLineEdit>(IDC_DESTINATION)),
      advancedGroup_(controls_.get<QGroupBox>(IDC_ADVANCED_GROUP)),
      tabControl_(controls_.get<CTabCtrlEx>(IDC_TAB)), finishDialog_(new CFinishDlg(this)),
      animation_(kStartToConvert, [this](const QString& text) { setStatus(text); }) {
    // A child window of the main window, not a window of its own (QDialog makes every
    // dialog a window unless told otherwise).
    setWindowFlags(Qt::Widget);
    resetDocumentPassword();
    setObjectName(QStringLiteral("convertPage"));
    OnInitDialog();

    connect(controls_.get<QPushButton>(IDC_ADD_FILES), &QPushButton::clicked, this,
            &CConvertDlg::OnAddFiles);
    connect(controls_.get<QPushButton>(IDC_REMOVE), &QPushButton::clicked, this,
            &CConvertDlg::OnRemove);
    connect(controls_.get<QPushButton>(IDC_REMOVE_ALL), &QPushButton::clicked, this,
            &CConvertDlg::OnRemoveAll);
    connect(controls_.get<QPushButton>(IDC_BROWSE), &QPushButton::clicked, this,
            &CConvertDlg::OnBrowse);
    connect(convertButton_, &QPushButton::clicked, this, &CConvertDlg::OnConvert);
    connect(advancedSwitch_, &QCheckBox::clicked, this, &CConvertDlg::UpdateAdvancedSection);
    connect(fileList_, &QListWidget::itemSelectionChanged, this, &CConvertDlg::OnSelectionChange);
    // Mouse and keyboard alike switch the page on show.
    connect(tabControl_, &CTabCtrlEx::selectionChanged, this,
            [this](int index) { pages_->show(index); });
}

CConvertDlg::~CConvertDlg() {
    abandonRun();
}

void CConvertDlg::OnInitDialog() {
    // A white page; edits and lists keep the system colours.
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    QFont bold = controls_.item(IDC_TITLE)->font();
    bold.setWeight(QFont::Bold);
    controls_.item(IDC_TITLE)->setFont(bold);
    controls_.item(IDC_STATUS_CAPTION)->setFont(bold);

    tabControl_->setParent(advancedGroup_);
    tabControl_->setGeometry(advancedGroup_->rect().adjusted(10, 30, -10, -10));
    tabControl_->show();

    setStatus(QStringLiteral("Not started."));
    // The status line never takes focus or a selection.
    statusLine_->setFocusPolicy(Qt::NoFocus);
    statusLine_->installEventFilter(this);
    statusLine_->viewport()->installEventFilter(this);
    statusLine_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    statusLine_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    pages_.emplace(*tabControl_, PageTemplate::Desktop, 30);

    controls_.item(IDC_REMOVE)->setEnabled(false);
    controls_.item(IDC_REMOVE_ALL)->setEnabled(false);
    convertButton_->setEnabled(false);

    fileList_->extensions = {"doc", "xls", "docx", "htm",  "tml", "xml", "txt",
                             "rtf", "ppt", "jpg",  "jpeg", "bmp", "gif", "png"};
    fileList_->notifyWindow = this;
}

void CConvertDlg::setStatus(const QString& text) {
    statusLine_->setText(text);
}

void CConvertDlg::clearProgress() {
    progressBar_->fillVisible = 0;
    progressBar_->update();
}

bool CConvertDlg::addDocument(const QString& path) {
    if (!fileList_->accepts(path)) {
        fileList_->refuseDocument();
        return false;
    }
    fileList_->AddString(path);
    holdOfficeWhileListed();
    return true;
}

void CConvertDlg::holdOfficeWhileListed() {
    if (fileList_->count() == 0) {
        office_.reset();
    } else if (!office_) {
        office_.emplace();
    }
}

void CConvertDlg::OnAddFiles() {
    if (runningFlag != 0) {
        messageBoxes->refuse(this, kWorkingNow);
        return;
    }
    const QStringList chosen = fileChooser->chooseDocuments(mainWindow ? mainWindow : this);
    if (!chosen.isEmpty()) {
        // Adding documents always points the destination at their folder.
        destinationEdit_->setText(folderOf(chosen.first()));
        for (const QString& path : chosen)
            addDocument(path);
        controls_.item(IDC_REMOVE_ALL)->setEnabled(true);
        convertButton_->setEnabled(true);
    }
    clearProgress();
    setStatus(QStringLiteral("Ready"));
}

void CConvertDlg::OnFilesDropped() {
    if (fileList_->count() == 0)
        return;
    holdOfficeWhileListed();
    destinationEdit_->setText(folderOf(fileList_->item(0)->text()));
    setStatus(QStringLiteral("Ready"));
    controls_.item(IDC_REMOVE_ALL)->setEnabled(true);
    convertButton_->setEnabled(true);
}

QStringList CConvertDlg::listDocuments(const DocumentRequest& request) {
    QStringList refused;
    // First, so that a long list does not hide it.
    if (request.leftOut > 0) {
        refused << QStringLiteral("%1 more documents: at most %2 are taken at once")
                       .arg(request.leftOut)
                       .arg(kMostDocumentsPerRequest);
    }
    const auto refuse = [&refused](const QString& document, const QString& reason) {
        refused << QStringLiteral("%1: %2").arg(document, reason);
    };
    const bool idle = runningFlag == 0 && fileList_->count() == 0;
    // Looked up once per request: a request may name a thousand documents.
    QSet<QString> listed;
    for (int row = 0; row < fileList_->count(); ++row)
        listed.insert(fileList_->item(row)->text().toCaseFolded());
    const int before = fileList_->count();
    for (const QUrl& url : request.documents) {
        const QString path = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
        if (runningFlag != 0) {
            refuse(path, QStringLiteral("a conversion is running"));
        } else if (!url.isLocalFile()) {
            refuse(path, QStringLiteral("not a local file"));
        } else if (const auto problem = inputProblem(path)) {
            refuse(path, *problem);
        } else if (!fileList_->acceptsType(path)) {
            refuse(path, QStringLiteral("not a file type this program converts"));
        } else if (listed.contains(path.toCaseFolded())) {
            refuse(path, QStringLiteral("listed already"));
        } else {
            fileList_->InsertString(-1, path);
            listed.insert(path.toCaseFolded());
        }
    }
    if (fileList_->count() > before) {
        OnFilesDropped();
        if (request.convert && idle)
            QMetaObject::invokeMethod(this, &CConvertDlg::OnConvert, Qt::QueuedConnection);
    }
    return refused;
}

void CConvertDlg::OnSelectionChange() {
    if (runningFlag == 0 && !fileList_->selectedItems().isEmpty())
        controls_.item(IDC_REMOVE)->setEnabled(true);
}

void CConvertDlg::OnRemove() {
    if (runningFlag != 0) {
        messageBoxes->refuse(this, kWorkingNow);
        return;
    }
    for (int row = 0; row < fileList_->count();) {
        if (fileList_->item(row)->isSelected())
            delete fileList_->takeItem(row);
        else
            ++row;
    }
    if (fileList_->count() == 0) {
        controls_.item(IDC_REMOVE_ALL)->setEnabled(false);
        convertButton_->setEnabled(false);
    }
    controls_.item(IDC_REMOVE)->setEnabled(false);
    holdOfficeWhileListed();
}

void CConvertDlg::OnRemoveAll() {
    if (runningFlag != 0) {
        messageBoxes->refuse(this, kWorkingNow);
        return;
    }
    fileList_->clear();
    holdOfficeWhileListed();
    controls_.item(IDC_REMOVE_ALL)->setEnabled(false);
    controls_.item(IDC_REMOVE)->setEnabled(false);
    convertButton_->setEnabled(false);
}

void CConvertDlg::OnBrowse() {
    if (runningFlag != 0) {
        messageBoxes->refuse(this, kWorkingNow);
        return;
    }
    QString folder = fileChooser->chooseFolder(this);
    if (folder.isEmpty())
        return;
    if (QFileInfo(folder).isDir() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    destinationEdit_->setText(folder);
}

void CConvertDlg::UpdateAdvancedSection() {
    const int separatorTop = controls_.item(IDC_SEPARATOR)->geometry().top();
    if (!sizesRecorded_) {
        sizesRecorded_ = true;
        fullPage_ = size();
        fullMainWindow_ = mainWindow ? mainWindow->size() : QSize();
        collapsedPageHeight_ = separatorTop;
    }
    const int cut = fullPage_.height() - collapsedPageHeight_;
    const bool expanded = advancedSwitch_->isChecked();
    resize(fullPage_.width(), expanded ? fullPage_.height() : collapsedPageHeight_);
    if (mainWindow)
        mainWindow->setFixedSize(fullMainWindow_.width(), expanded
                                                              ? fullMainWindow_.height()
                                                              : fullMainWindow_.height() - cut);
}

void CConvertDlg::EnableInputs(bool enable) {
    if (!enable) {
        controls_.item(IDC_REMOVE)->setEnabled(false);
        controls_.item(IDC_REMOVE_ALL)->setEnabled(false);
    }
    pages_->setEnabled(enable);
    for (QWidget* input : {controls_.item(IDC_ADD_FILES), controls_.item(IDC_BROWSE),
                           controls_.item(IDC_DESTINATION)})
        input->setEnabled(enable);
}

void CConvertDlg::OnConvert() {
    destinationFolder = destinationEdit_->text();
    if (runningFlag == 0)
        startRun();
    else
        stopRun();
}

void CConvertDlg::startRun() {
    if (fileList_->count() == 0) {
        messageBoxes->refuse(this, QStringLiteral("No Word File"));
        return;
    }
    destinationFolder = destinationEdit_->text();
    if (!QFileInfo(destinationFolder).isDir()) {
        messageBoxes->refuse(this,
                             QStringLiteral("Wrong Path cause wrong, Input a valid file path!"));
        return;
    }
    if (const auto refusal = pages_->refusal()) {
        messageBoxes->refuse(this, *refusal);
        return;
    }
    animation_.start();
    convertButton_->setText(QStringLiteral("Stop"));
    fileList_->busy = 1;

    ConversionOptions options = pages_->options();
    // The run's folder keeps a trailing separator from the start.
    options.destinationFolder = withTrailingSeparator(destinationFolder);
    finishDialog_->folder = options.destinationFolder;

    EnableInputs(false);

    QStringList documents;
    for (int row = 0; row < fileList_->count(); ++row)
        documents << fileList_->item(row)->text();
    // Set before the worker exists, so that a second press is taken as Stop and never
    // starts a second worker.
    runningFlag = 1;
    runs_.start([this, documents, options](ConversionRun& run) {
        DocumentConverter converter(run);
        const auto count = static_cast<int>(documents.size());
        for (int i = 0; i < count && run.proceed(); ++i) {
            // A dropped file may be no document at all, or gone since it was listed.
            if (const auto problem = inputProblem(documents.at(i)))
                run.showMessage(
                    QStringLiteral("%1 was not converted: %2").arg(documents.at(i), *problem));
            else
                converter.convertEntry(documents.at(i), i, count, options);
        }
        if (run.proceed())
            run.post([this] { finishRun(); });
    });
}

void CConvertDlg::stopRun() {
    if (!runs_.current())
        return;
    runs_.current()->pause();
    convertButton_->setText(QStringLiteral("Convert"));
    const auto answer =
        messageBoxes->show(this, QMessageBox::Information, QString::fromUtf8(kProductCaption),
                           kStopQuestion, QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        runs_.abandon();
        resetAfterStop();
        return;
    }
    convertButton_->setText(QStringLiteral("Stop"));
    runs_.current()->resume();
}

void CConvertDlg::resetAfterStop() {
    endRun(QStringLiteral("Stoped"));
    clearProgress();
    finishDialog_->convertedFiles.clear();
}

void CConvertDlg::endRun(const QString& status) {
    fileList_->clear();
    holdOfficeWhileListed();
    animation_.stop();
    runningFlag = 0;
    fileList_->busy = 0;
    setStatus(status);
    EnableInputs(true);
    convertButton_->setText(QStringLiteral("Convert"));
    convertButton_->setEnabled(false);
}

void CConvertDlg::abandonRun() {
    if (runs_.current()) {
        runs_.abandon();
        resetAfterStop();
    }
    runs_.waitForAbandoned();
}

void CConvertDlg::finishRun() {
    progressBar_->position = 100;
    progressBar_->range = 100;
    progressBar_->fillVisible = 1;
    progressBar_->update();
    endRun(finishDialog_->convertedFiles.isEmpty() ? QStringLiteral("Stoped")
                                                   : QStringLiteral("Complete!"));
    completion_.start(1000, this);
}

bool CConvertDlg::timerRunning(Timer timer) const {
    return timer == StatusAnimation ? animation_.running() : completion_.isActive();
}

void CConvertDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == completion_.timerId())
        OnCompletion();
    else
        QDialog::timerEvent(event);
}

void CConvertDlg::OnCompletion() {
    completion_.stop();
    if (!finishDialog_->convertedFiles.isEmpty()) {
        finishDialog_->exec();
        try {
            removeSpoolFileIfFree(SpoolFolder::locate());
        } catch (const std::exception&) {
            // No spool folder: nothing to delete.
        }
    }
    clearProgress();
}

bool CConvertDlg::eventFilter(QObject* watched, QEvent* event) {
    const bool onStatusLine = watched == statusLine_ || watched == statusLine_->viewport();
    if (onStatusLine) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CConvertDlg::event(QEvent* event) {
    if (event->type() == WM_FILESDROPPED) {
        OnFilesDropped();
        return true;
    }
    return QDialog::event(event);
}

void CConvertDlg::showRunMessage(const QString& text) {
    messageBoxes->refuse(this, text);
}

bool CConvertDlg::askRunQuestion(const QString& question) {
    return messageBoxes->show(this, QMessageBox::NoIcon, QString::fromUtf8(kProductCaption),
                              question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString> CConvertDlg::askRunPassword(const QString& fileName) {
    return passwordPrompt(this, fileName);
}

void CConvertDlg::showRunProgress(int position, int range, int fillVisible) {
    progressBar_->position = position;
    progressBar_->range = range;
    progressBar_->fillVisible = fillVisible;
    progressBar_->update();
}

void CConvertDlg::addRunConvertedFile(const QString& outputName) {
    finishDialog_->convertedFiles.append(outputName);
}

} // namespace ostrel
