// The convert page: the working area of the main window. The user lists documents,
// chooses the destination folder and the PDF options, and starts and stops the batch run.
#pragma once

#include "batch_run.h"
#include "dialog_template.h"
#include "word_server_hold.h"

#include <QBasicTimer>
#include <QDialog>
#include <QRect>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace ostrel {

class CAdvancedDlg;
class CBmpProgCtrl;
class CDescriptionDlg;
class CEnableEdit;
class CFinishDlg;
class CListBoxEx;
class CSecurityDlg;
class CTabCtrlEx;
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
    // The page's timers, by number.
    enum Timer { StatusAnimation = 1, Completion = 2, PromptAnswerer = 3 };

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
    // Documents handed over by a start of the program, taken as a drop on the list. With
    // convert, and nothing listed or running before, the run starts at once with the
    // options as they are, into the first document's folder.
    void listDocuments(const QList<QUrl>& documents, bool convert);
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
    CDescriptionDlg* descriptionPage() const { return descriptionPage_; }
    CSecurityDlg* securityPage() const { return securityPage_; }
    CAdvancedDlg* advancedPage() const { return advancedPage_; }
    CFinishDlg* finishDialog() const { return finishDialog_; }
    int currentTab() const { return currentTab_; }
    bool timerRunning(Timer timer) const;
    // Workers that have not been waited for yet (the current run's and abandoned ones).
    // Ends the office started for the listed documents (the program is closing).
    void endOffice() { office_.reset(); }
    int workerCount() const;

protected:
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    // Enter and Escape never end the page.
    void reject() override {}
    void accept() override {}

private:
    void OnInitDialog();
    void OnTimer(int timer);
    void OnFilesDropped();
    void OnSelectionChange();
    void showPage(int index);
    void startRun();
    void stopRun();
    // The state after Stop is confirmed.
    void resetAfterStop();
    void setStatus(const QString& text);
    void clearProgress();
    void setTimer(Timer timer, int periodMs);
    void killTimer(Timer timer);
    bool addDocument(const QString& path);
    // While documents are listed a conversion is likely: an office is started in the
    // background and kept between documents. An empty list ends it.
    void holdOfficeWhileListed();
    void answerOfficePrompts();

    // RunWindow: the worker's requests, on this thread.
    void showRunMessage(const QString& text) override;
    bool askRunQuestion(const QString& question) override;
    std::optional<QString> askRunPassword(const QString& fileName) override;
    void showRunProgress(int position, int range, int fillVisible) override;
    void addRunConvertedFile(const QString& outputName) override;
    void finishRun() override;
    void deliver(const std::shared_ptr<BatchRun>& run, std::function<void()> work) override;
    void setPromptAnswerer(bool running) override;
    void runEnded(BatchRun& run) override;

    DialogControls controls_;
    CListBoxEx* fileList_;
    CEnableEdit* statusLine_;
    CBmpProgCtrl* progressBar_;
    QPushButton* convertButton_;
    QCheckBox* advancedSwitch_;
    QLineEdit* destinationEdit_;
    QGroupBox* advancedGroup_;
    CTabCtrlEx* tabControl_;
    CDescriptionDlg* descriptionPage_ = nullptr;
    CSecurityDlg* securityPage_ = nullptr;
    CAdvancedDlg* advancedPage_ = nullptr;
    CFinishDlg* finishDialog_;
    QRect pageRect_; // where an option page sits in the tab control

    int currentTab_ = 0;
    QString destinationFolder;
    int dotCounter_ = 0;
    QBasicTimer timers_[4];
    int promptAnswerers_ = 0;

    std::optional<word::ServerHold> office_;
    std::shared_ptr<BatchRun> run_;
    std::vector<std::shared_ptr<BatchRun>> abandonedRuns_;
    // While the stop question is open, the run's work waits here.
    bool askingToStop_ = false;
    std::vector<std::pair<std::weak_ptr<BatchRun>, std::function<void()>>> heldWork_;

    // The sizes recorded at the first UpdateAdvancedSection.
    bool sizesRecorded_ = false;
    QSize fullPage_;
    QSize fullMainWindow_;
    int collapsedPageHeight_ = 0;
};

} // namespace ostrel
