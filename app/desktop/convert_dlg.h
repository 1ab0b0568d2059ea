// The convert page: the working area of the main window. The user lists documents,
// chooses the destination folder and the PDF options, and starts and stops the batch run.
#pragma once

#include "conversion_run.h"
#include "dialog_template.h"
#include "document_handoff.h"
#include "option_pages.h"
#include "status_dots.h"
#include "word_server_hold.h"

#include <QBasicTimer>
#include <QDialog>
#include <QUrl>

#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace ostrel {

class CBmpProgCtrl;
class CEnableEdit;
class CFinishDlg;
class CListBoxEx;
class MessageBoxes;

// The file dialog and the folder browser; tests replace them.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The documents chosen (full paths), empty when cancelled.
    virtual QStringList chooseDocuments(QWidget* owner) = 0;
    // The folder chosen, empty when cancelled.
    virtual QString chooseFolder(QWidget* owner) = 0;

    static FileChooser& standard();
};

// The password prompt; tests replace it.
using PasswordPrompt =
    std::function<std::optional<QString>(QWidget* owner, const QString& fileName)>;

class CConvertDlg : public QDialog, private RunWindow {
    Q_OBJECT
public:
    // The page's timers.
    enum Timer { StatusAnimation, Completion };

    explicit CConvertDlg(QWidget* parent = nullptr);
    // Abandons a run that is still going and waits for its worker first.
    ~CConvertDlg() override;

    // 1 from the start of a run until it ends or is stopped.
    int runningFlag = 0;
    // The main window, resized together with the page.
    QWidget* mainWindow = nullptr;
    MessageBoxes* messageBoxes;
    FileChooser* fileChooser;
    PasswordPrompt passwordPrompt;

    void UpdateAdvancedSection();
    void EnableInputs(bool enable);

    // The commands.
    void OnAddFiles();
    void OnRemove();
    void OnRemoveAll();
    void OnBrowse();
    void OnConvert();
    // Documents handed over by a start of the program (its own command line included):
    // each is checked on its own as the command line checks its files, and listed when it
    // passes. Answers one line per refused document ("path: reason"), for the caller to
    // show. With convert, and nothing listed or running before, the run starts at once
    // with the options as they are, into the first document's folder.
    QStringList listDocuments(const DocumentRequest& request);
    // Ends a run for good without asking: the worker is abandoned and waited for (the
    // main window does this when it closes during a run).
    void abandonRun();

    const DialogControls& controls() const { return controls_; }
    CListBoxEx* fileList() const { return fileList_; }
    CEnableEdit* statusLine() const { return statusLine_; }
    CBmpProgCtrl* progressBar() const { return progressBar_; }
    QPushButton* convertButton() const { return convertButton_; }
    QCheckBox* advancedSwitch() const { return advancedSwitch_; }
    QLineEdit* destinationEdit() const { return destinationEdit_; }
    CTabCtrlEx* tabControl() const { return tabControl_; }
    CDescriptionDlg* descriptionPage() const { return pages_->description; }
    CSecurityDlg* securityPage() const { return pages_->security; }
    CAdvancedDlg* advancedPage() const { return pages_->advanced; }
    CFinishDlg* finishDialog() const { return finishDialog_; }
    int currentTab() const { return pages_->current(); }
    bool timerRunning(Timer timer) const;
    // Ends the office started for the listed documents (the program is closing).
    void endOffice() { office_.reset(); }
    // Workers that have not been waited for yet (the current run's and abandoned ones).
    int workerCount() const { return runs_.workerCount(); }

protected:
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    // Enter and Escape never end the page.
    void reject() override {}
    void accept() override {}

private:
    void OnInitDialog();
    void OnFilesDropped();
    void OnSelectionChange();
    void startRun();
    void stopRun();
    // The state after Stop is confirmed.
    void resetAfterStop();
    // What every end of a run resets: an empty list, the inputs enabled, `status` shown.
    void endRun(const QString& status);
    void setStatus(const QString& text);
    void clearProgress();
    // The finish dialog, a second after the run's end.
    void OnCompletion();
    bool addDocument(const QString& path);
    // While documents are listed a conversion is likely: an office is started in the
    // background and kept between documents. An empty list ends it.
    void holdOfficeWhileListed();
    // The worker's final step, after the last document.
    void finishRun();

    // RunWindow: the worker's requests, on this thread.
    void showRunMessage(const QString& text) override;
    bool askRunQuestion(const QString& question) override;
    std::optional<QString> askRunPassword(const QString& fileName) override;
    void showRunProgress(int position, int range, int fillVisible) override;
    void addRunConvertedFile(const QString& outputName) override;

    DialogControls controls_;
    CListBoxEx* fileList_;
    CEnableEdit* statusLine_;
    CBmpProgCtrl* progressBar_;
    QPushButton* convertButton_;
    QCheckBox* advancedSwitch_;
    QLineEdit* destinationEdit_;
    QGroupBox* advancedGroup_;
    CTabCtrlEx* tabControl_;
    std::optional<OptionPages> pages_;
    CFinishDlg* finishDialog_;

    QString destinationFolder;
    StatusDots animation_;
    QBasicTimer completion_;

    std::optional<word::ServerHold> office_;
    RunController runs_{*this};

    // The sizes recorded at the first UpdateAdvancedSection.
    bool sizesRecorded_ = false;
    QSize fullPage_;
    QSize fullMainWindow_;
    int collapsedPageHeight_ = 0;
};

} // namespace ostrel
