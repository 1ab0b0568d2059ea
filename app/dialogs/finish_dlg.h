// Reports the end of a batch run: the PDF files it produced, with Open File and Open Folder.
#pragma once

#include "dialog_template.h"

#include <QDialog>
#include <QStringList>

class QListWidget;

namespace ostrel {

class MessageBoxes;
class ShellOpener;

class CFinishDlg : public QDialog {
    Q_OBJECT
public:
    enum : int {
        IDC_LOGO = 1000,
        IDC_HEADLINE = 1001,
        IDC_RESULTS = 1002,
        IDC_OPEN_FILE = 1003,
        IDC_OPEN_FOLDER = 1004,
    };
    static const DialogTemplate& dialogTemplate(); // template 136

    explicit CFinishDlg(QWidget* parent = nullptr);

    QString folder;             // the run's destination folder
    QStringList convertedFiles; // names without folder, in the order produced
    QListWidget* resultsList;
    MessageBoxes* messageBoxes;
    ShellOpener* shell;

    const DialogControls& controls() const { return controls_; }

    void OnOpenFile();
    void OnOpenFolder();

protected:
    // Filled anew at every showing.
    void showEvent(QShowEvent* event) override;
    // Close, Escape and the close box.
    void reject() override;

private:
    void OnInitDialog();

    DialogControls controls_;
};

} // namespace ostrel
