// The about box: banner, product name, maker's notice, website link and legal notice.
#pragma once

#include "dialog_template.h"

#include <QDialog>
#include <QPixmap>

namespace ostrel {

class ShellOpener;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr, ShellOpener* shell = nullptr);

    const DialogControls& controls() const { return controls_; }
    void OnWebsiteLink();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();

    DialogControls controls_;
    ShellOpener* shell_;
    QPixmap banner_;
};

} // namespace ostrel
