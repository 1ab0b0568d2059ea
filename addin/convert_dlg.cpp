#include "convert_dlg.h"

#include "addin_module.h"
#include "button_picture.h"
#include "complete_dlg.h"
#include "dialog_template.h"
#include "product.h"
#include "tab_ctrl_ex.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <thread>

namespace kestrine {
namespace {

using namespace ostrel;

constexpr int IDC_TAB = 201;
constexpr int IDC_OUTPUT_FOLDER = 221;
constexpr int IDC_BROWSE = 222;
constexpr int IDC_OUTPUT_LABEL = 223;
constexpr int IDC_STATUS_LABEL = 224;
constexpr int IDC_STATUS = 225;
constexpr int IDC_OUTPUT_FRAME = 226;
constexpr int IDC_STATUS_FRAME = 227;

const DialogTemplate kConvertTemplate{
    103,
    kProductCaption,
    297,
    364,
    8,
    {
        {Kind::GroupBox, IDC_OUTPUT_FRAME, "", 10, 1, 278, 58},
        {Kind::Label, IDC_OUTPUT_LABEL, "Output File", 24, 8, 55, 13},
        {Kind::Label, IDC_STATIC, "Select a folder for the output file", 24, 22, 106, 8},
        {Kind::Edit, IDC_OUTPUT_FOLDER, "", 24, 35, 182, 14, ES_AUTOHSCROLL},
        {Kind::PushButton, IDC_BROWSE, "Browse", 217, 34, 50, 14},
        {Kind::Custom, IDC_TAB, "", 10, 65, 278, 238},
        {Kind::GroupBox, IDC_STATUS_FRAME, "", 10, 305, 278, 53},
        {Kind::Label, IDC_STATUS_LABEL, "Status", 18, 318, 37, 10},
        {Kind::Edit, IDC_STATUS, "", 17, 334, 167, 14, NO_BORDER | ES_AUTOHSCROLL},
        {Kind::PushButton, IDOK, "Convert", 217, 334, 62, 14, BS_DEFPUSHBUTTON},
    },
};

const QString kBusy = QStringLiteral("Working now,Hold for a moment!");
const QString kStartToConvert = QStringLiteral("Start to Convert");

void defaultSleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

// The label font: the dialog font two pixels smaller, narrowed to an average character
// width of 3 pixels and of the lightest weight.
QFont labelFontFrom(const QFont& dialogFont) {
    QFont font = dialogFont;
    font.setPixelSize(std::max(1, QFontInfo(dialogFont).pixelSize() - 2));
    const int average = std::max(1, QFontMetrics(dialogFont).averageCharWidth());
    font.setStretch(std::clamp(100 * 3 / average, 1, 4000));
    font.setWeight(QFont::Thin);
    return font;
}

} // namespace

CConvertDlg::CConvertDlg(QWidget* parent)
    : QDialog(parent),
      animation_(kStartToConvert, [this](const QString& text) { setStatusText(text); }),
      messageBoxes_(&MessageBoxes::standard()), shell_(&ShellOpener::standard()),
      converter_(&convertAddinDocument), sleep_(&defaultSleep) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setObjectName(QStringLiteral("CConvertDlg"));
    const ControlFactories factories{{IDC_TAB, [](QWidget* owner, const DialogItem&) -> QWidget* {
                                          return new CTabCtrlEx(owner, CTabCtrlEx::Variant::AddIn);
                                      }}};
    const DialogControls controls = createDialog(this, kConvertTemplate, factories);
    setFixedSize(size());
    tab_ = controls.get<CTabCtrlEx>(IDC_TAB);
    outputEdit_ = controls.get<QLineEdit>(IDC_OUTPUT_FOLDER);
    statusEdit_ = controls.get<QLineEdit>(IDC_STATUS);
    browseButton_ = controls.get<QPushButton>(IDC_BROWSE);
    convertButton_ = controls.get<QPushButton>(IDOK);
    outputFrame_ = controls.item(IDC_OUTPUT_FRAME);
    statusFrame_ = controls.item(IDC_STATUS_FRAME);
    labelTargets_ = {controls.item(IDC_OUTPUT_LABEL), controls.item(IDC_STATUS_LABEL)};

    // The status line takes neither focus nor a caret.
    statusEdit_->setFocusPolicy(Qt::NoFocus);
    statusEdit_->installEventFilter(this);

    connect(browseButton_, &QPushButton::clicked, this, [this] { OnBrowse(); });
    connect(convertButton_, &QPushButton::clicked, this, [this] { OnConvert(); });
}

void CConvertDlg::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CConvertDlg::OnInitDialog() {
    setWindowIcon(dialogIcon());

    labelFont_ = labelFontFrom(font());
    for (QWidget* label : labelTargets_) {
        label->setFont(labelFont_);
    }

    pages_.emplace(*tab_, PageTemplate::AddIn, 25);
    // Only the user's selections: inserting the tabs selected the first one already.
    connect(tab_, &CTabCtrlEx::selectionChanged, this, [this](int index) { pages_->show(index); });

    const qsizetype slash = m_sourcePath.lastIndexOf(QLatin1Char('/'));
    m_outputFolder = slash < 0 ? QString() : m_sourcePath.left(slash + 1);
    outputEdit_->setText(m_outputFolder);
    setStatusText(QStringLiteral("Not Started"));
    const QString extension = m_sourcePath.mid(m_sourcePath.lastIndexOf(u'.') + 1);
    if (startsOffice_ && (extension == u"doc" || extension == u"docx" || extension == u"dot")) {
        office_.emplace();
    }
}

void CConvertDlg::OnBrowse() {
    if (running_) {
        refuseBusy();
        return;
    }
    const QString folder =
        QFileDialog::getExistingDirectory(this, QString(), QString(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) {
        return;
    }
    outputEdit_->setText(folder + QLatin1Char('/'));
}

void CConvertDlg::OnConvert() {
    if (running_) {
        refuseBusy();
        return;
    }
    m_outputFolder = outputEdit_->text();
    if (!QFileInfo(m_outputFolder).isDir()) {
        showMessage(QStringLiteral("Wrong Path cause wrong, Input a valid file path!"));
        return;
    }
    if (const auto refusal = pages_->refusal()) {
        showMessage(*refusal);
        return;
    }
    animation_.start();
    pages_->setEnabled(false);
    ConversionOptions options = pages_->options();
    options.destinationFolder = m_outputFolder;

    setInputsEnabled(false);
    running_ = true;
    runs_.start([this, options](ConversionRun& run) { addinConvertWorker(run, options); });
}

// The worker. It reads m_sourcePath, which nobody changes during a run, and reaches
// everything else through the dialog's thread.
void CConvertDlg::addinConvertWorker(ConversionRun& run, const ConversionOptions& options) {
    Outcome outcome;
    try {
        outcome = converter_(run, m_sourcePath, options);
    } catch (...) {
        outcome = Outcome{}; // a failure of the engine is a failed run
    }
    run.post([this] { animation_.stop(); });
    sleep_(std::chrono::milliseconds(2000));

    run.post([this, outcome] {
        m_pdfPath = outcome.pdfPath;
        lastOutcome_ = outcome;
        setStatusText(outcome.converted() ? QStringLiteral("Complete!")
                                          : QStringLiteral("Failed!"));
        setInputsEnabled(true);
        pages_->setEnabled(true);
        completionTimer_ = startTimer(std::chrono::milliseconds(500));
        running_ = false;
    });
}

void CConvertDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == completionTimer_ && completionTimer_ != 0) {
        OnCompletionTimer();
    }
    QDialog::timerEvent(event);
}

// After a run: the question to open the new PDF, or, for a run that failed without
// saying why (the engine shows every reason it gives), a message that it failed.
void CConvertDlg::OnCompletionTimer() {
    killTimer(completionTimer_);
    completionTimer_ = 0;
    if (!lastOutcome_.converted()) {
        if (lastOutcome_.reason.isEmpty()) {
            showMessage(QStringLiteral("Failed to convert %1").arg(m_sourcePath));
        }
        return;
    }
    CCompleteDlg question;
    if (question.exec() == QDialog::Accepted) {
        shell_->open(m_pdfPath);
    }
}

void CConvertDlg::reject() {
    if (running_) {
        refuseBusy();
        return;
    }
    QDialog::reject();
}

void CConvertDlg::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        refuseBusy();
        return;
    }
    QDialog::closeEvent(event);
}

// The output and status areas are white within their frames.
void CConvertDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    for (const QWidget* frame : {outputFrame_, statusFrame_}) {
        painter.fillRect(frame->geometry().adjusted(0, 6, 0, 0), Qt::white);
    }
}

bool CConvertDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == statusEdit_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CConvertDlg::setInputsEnabled(bool enabled) {
    outputEdit_->setEnabled(enabled);
    browseButton_->setEnabled(enabled);
    convertButton_->setEnabled(enabled);
}

void CConvertDlg::refuseBusy() {
    showMessage(kBusy);
}

void CConvertDlg::showMessage(const QString& text) {
    messageBoxes_->show(this, QMessageBox::Warning, AddinModule::moduleTitle(), text,
                        QMessageBox::Ok);
}

void CConvertDlg::setStatusText(const QString& text) {
    statusEdit_->setText(text);
}

bool CConvertDlg::askRunQuestion(const QString& question) {
    return messageBoxes_->show(this, QMessageBox::Question, QString::fromUtf8(kProductCaption),
                               question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace kestrine
