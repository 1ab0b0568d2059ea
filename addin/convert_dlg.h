// CConvertDlg: the add-in's one window. It proposes the document's folder as output
// folder, carries the three option pages, and on Convert converts the document on a
// worker thread while the status line runs; afterwards CCompleteDlg offers to open the PDF.
//
// The worker never touches a widget: it posts its steps to the user-interface thread and,
// for messages, waits there for the answer. The dialog cannot be closed while a run is in
// progress, so it outlives its worker.
#pragma once

#include "conversion_options.h"
#include "document_conversion.h"
#include "message_boxes.h"
#include "shell_opener.h"
#include "word_server_hold.h"

#include <QDialog>
#include <QFont>
#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class QLineEdit;
class QPushButton;

namespace ostrel {
class CTabCtrlEx;
class CDescriptionDlg;
class CSecurityDlg;
class CAdvancedDlg;
} // namespace ostrel

namespace kestrine {

class CConvertDlg : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString sourcePath MEMBER m_sourcePath)
    Q_PROPERTY(QString outputFolder MEMBER m_outputFolder)
    Q_PROPERTY(QString pdfPath MEMBER m_pdfPath)

public:
    // The conversion of one document (the engine's add-in run by default).
    using Converter = std::function<ostrel::AddinConversion(ostrel::ConversionHost&, const QString&,
                                                            const ostrel::ConversionOptions&)>;
    using Sleep = std::function<void(std::chrono::milliseconds)>;

    explicit CConvertDlg(QWidget* parent = nullptr);
    ~CConvertDlg() override;

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
    class WorkerHost;

    void OnInitDialog();
    void OnSelchangeTab();
    void OnBrowse();
    void OnConvert();
    void addinConvertWorker(ostrel::ConversionOptions options);
    void OnCompletionTimer();

    void createPages();
    ostrel::ConversionOptions collectOptions();
    QRect pageRect() const;
    void setInputsEnabled(bool enabled);
    void refuseBusy();
    void showMessage(const QString& text);
    QString statusText() const;
    void setStatusText(const QString& text);

    // From the worker: run on the user-interface thread, later / and wait for the answer.
    void post(std::function<void()> step);
    template <class R> R ask(std::function<R()> question, R fallback);

    ostrel::CTabCtrlEx* tab_ = nullptr;
    QLineEdit* outputEdit_ = nullptr;
    QLineEdit* statusEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* convertButton_ = nullptr;
    QWidget* outputFrame_ = nullptr;
    QWidget* statusFrame_ = nullptr;
    ostrel::CDescriptionDlg* descriptionPage_ = nullptr;
    ostrel::CSecurityDlg* securityPage_ = nullptr;
    ostrel::CAdvancedDlg* advancedPage_ = nullptr;
    std::array<QWidget*, 2> labelTargets_{}; // "Output File" and "Status"
    QFont labelFont_;
    bool initialised_ = false;

    std::atomic<int> busyFlag_{0};
    bool running_ = false;
    int dotCount_ = 0;
    int statusTimer_ = 0;     // timer 1: status animation
    int completionTimer_ = 0; // timer 2: completion prompt
    bool lastRunConverted_ = false;
    bool lastRunReported_ = false; // the run showed a message of its own

    ostrel::MessageBoxes* messageBoxes_;
    ostrel::ShellOpener* shell_;
    Converter converter_;
    Sleep sleep_;

    // Started when the dialog opens, so that the office is ready when Convert is pressed.
    bool startsOffice_ = true;
    std::optional<ostrel::word::ServerHold> office_;

    std::thread worker_;
    std::mutex answerMutex_;
    std::condition_variable answered_;
    bool abandoned_ = false; // the dialog is going away: waiting workers give up
};

} // namespace kestrine
