// The main window: the header picture with the Website, Help and About buttons, and the
// convert page below it.
#pragma once

#include "dialog_template.h"

#include <QDialog>
#include <QIcon>
#include <QPixmap>

namespace ostrel {

class CConvertDlg;
class CTransParentButton;
class MessageBoxes;
class ShellOpener;

class CPelvarAllToPDFDlg : public QDialog {
    Q_OBJECT
public:
    // The system menu's About item.
    static constexpr int IDM_ABOUTBOX = 0x0010;

    explicit CPelvarAllToPDFDlg(QWidget* parent = nullptr);
    ~CPelvarAllToPDFDlg() override;

    MessageBoxes* messageBoxes;
    ShellOpener* shell;

    CConvertDlg* convertPage() const { return convertPage_; }
    const DialogControls& controls() const { return controls_; }

    void OnWebsite();
    void OnHelp();
    void OnAbout();
    // The system menu's About item: shown also during a run.
    void OnSysCommandAbout();
    // The compiled help file and the help's pages as HTML: in help/ beside the program (the
    // build), else in the installed tree's share/ostrel/help; empty when neither has them.
    static QString helpFilePath();
    static QString helpPagesPath();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Escape while a header button has the focus does not end the program.
    void reject() override;

private:
    static QString helpFile(const QString& name);
    void OnInitDialog();
    void showAbout();

    DialogControls controls_;
    QIcon icon_;
    QPixmap headerPicture_;
    CConvertDlg* convertPage_ = nullptr;
};

} // namespace ostrel
