// The about box: banner, product name, maker's notice, website link and legal notice.
#pragma once

#include "dialog_template.h"

#include <QDialog>
#include <QPixmap>

namespace ostrel {

class MessageBoxes;
class ShellOpener;

// Opens the product's website in the browser; says so in a box, with the address, where no
// program can.
void openWebsite(QWidget* owner, ShellOpener& shell, MessageBoxes& boxes);

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr, ShellOpener* shell = nullptr,
                       MessageBoxes* messageBoxes = nullptr);

    const DialogControls& controls() const { return controls_; }
    void OnWebsiteLink();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();

    DialogControls controls_;
    ShellOpener* shell_;
    MessageBoxes* messageBoxes_;
    QPixmap banner_;
};

} // namespace ostrel
