// CConvertDlg: the add-in's one window. It proposes the document's folder as output
// folder, carries the three option pages, and on Convert converts the document on a
// worker thread while the status line runs; afterwards CCompleteDlg offers to open the PDF.
// The dialog cannot be closed while a run is in progress.
#pragma once

#include "conversion_run.h"
#include "document_conversion.h"
#include "message_boxes.h"
#include "option_pages.h"
#include "shell_opener.h"
#include "status_dots.h"
#include "word_server_hold.h"

#include <QDialog>
#include <QFont>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;

namespace ostrel {
class CTabCtrlEx;
} // namespace ostrel

namespace kestrine {

class CConvertDlg : public QDialog, private ostrel::RunWindow {
    Q_OBJECT
    Q_PROPERTY(QString sourcePath MEMBER m_sourcePath)
    Q_PROPERTY(QString outputFolder MEMBER m_outputFolder)
    Q_PROPERTY(QString pdfPath MEMBER m_pdfPath)

public:
    // The conversion of one document (the engine's add-in run by default).
    using Converter = std::function<ostrel::Outcome(ostrel::ConversionHost&, const QString&,
                                                    const ostrel::ConversionOptions&)>;
    using Sleep = std::function<void(std::chrono::milliseconds)>;

    explicit CConvertDlg(QWidget* parent = nullptr);

    // Set by the caller before the dialog is shown.
    QString m_sourcePath;
    QString m_outputFolder;
    QString m_pdfPath;

    // For tests and other hosts: what shows message boxes, what opens files, what
    // converts, how the worker pauses.
    void setMessageBoxes(ostrel::MessageBoxes& boxes) { messageBoxes_ = &boxes; }
    void setShellOpener(ostrel::ShellOpener& shell) { shell_ = &shell; }
    // A converter of the caller's own needs no office started ahead of it.
    void setConverter(Converter converter) {
        converter_ = std::move(converter);
        startsOffice_ = false;
    }
    void setSleep(Sleep sleep) { sleep_ = std::move(sleep); }

    // A run is in progress (from Convert until the worker's last step was served).
    bool isRunning() const { return running_; }
    // The completion question (or failure message) is still to come after a run.
    bool isCompletionPending() const { return completionTimer_ != 0; }

    // Escape: refused while a run is in progress.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void OnBrowse();
    void OnConvert();
    void addinConvertWorker(ostrel::ConversionRun& run, const ostrel::ConversionOptions& options);
    void OnCompletionTimer();

    void setInputsEnabled(bool enabled);
    void refuseBusy();
    void showMessage(const QString& text);
    void setStatusText(const QString& text);

    // RunWindow: the worker's requests, on this thread.
    void showRunMessage(const QString& text) override { showMessage(text); }
    bool askRunQuestion(const QString& question) override;

    ostrel::CTabCtrlEx* tab_ = nullptr;
    QLineEdit* outputEdit_ = nullptr;
    QLineEdit* statusEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* convertButton_ = nullptr;
    QWidget* outputFrame_ = nullptr;
    QWidget* statusFrame_ = nullptr;
    std::optional<ostrel::OptionPages> pages_;
    std::array<QWidget*, 2> labelTargets_{}; // "Output File" and "Status"
    QFont labelFont_;
    bool initialised_ = false;

    bool running_ = false;
    ostrel::StatusDots animation_;
    int completionTimer_ = 0;
    ostrel::Outcome lastOutcome_;

    ostrel::MessageBoxes* messageBoxes_;
    ostrel::ShellOpener* shell_;
    Converter converter_;
    Sleep sleep_;

    // Started when the dialog opens, so that the office is ready when Convert is pressed.
    bool startsOffice_ = true;
    std::optional<ostrel::word::ServerHold> office_;

    // Last: a run still going when the dialog goes is abandoned before anything it uses.
    ostrel::RunController runs_{*this};
};

} // namespace kestrine
