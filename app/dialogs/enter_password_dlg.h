// Asks for the password of a document that would not open without one.
#pragma once

#include "dialog_template.h"

#include <QDialog>

namespace ostrel {

class CEnterPassWordDlg : public QDialog {
    Q_OBJECT
public:
    enum : int { IDC_MESSAGE = 1000, IDC_PASSWORD = 1001 };
    static const DialogTemplate& dialogTemplate(); // template 149

    explicit CEnterPassWordDlg(QWidget* parent = nullptr);

    QString password; // the edit's text when OK was pressed; empty when cancelled
    QString fileName; // the document's name without its folder, set before showing

    // "The program has detected that File "<name>"  is password protected. ..."
    static QString promptText(const QString& fileName);
    const DialogControls& controls() const { return controls_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnOK();

    DialogControls controls_;
    bool initialised_ = false;
};

} // namespace ostrel
