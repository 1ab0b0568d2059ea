#include "enter_password_dlg.h"

#include <QPushButton>

namespace ostrel {

const DialogTemplate& CEnterPassWordDlg::dialogTemplate() {
    static const DialogTemplate dialog{
        149,
        "Password Required!",
        331,
        86,
        8,
        {
            {Kind::Label, IDC_MESSAGE, "", 27, 14, 288, 26},
            {Kind::Label, IDC_STATIC, "Enter Password:", 29, 46, 54, 8},
            {Kind::Edit, IDC_PASSWORD, "", 89, 44, 212, 14, ES_PASSWORD | ES_AUTOHSCROLL},
            {Kind::PushButton, IDOK, "OK", 94, 67, 50, 14, BS_DEFPUSHBUTTON},
            {Kind::PushButton, IDCANCEL, "Cancel", 188, 67, 50, 14},
        }};
    return dialog;
}

CEnterPassWordDlg::CEnterPassWordDlg(QWidget* parent)
    : QDialog(parent), controls_(createDialog(this, dialogTemplate())) {
    setFixedSize(size());
    connect(controls_.get<QPushButton>(IDOK), &QPushButton::clicked, this,
            &CEnterPassWordDlg::OnOK);
    connect(controls_.get<QPushButton>(IDCANCEL), &QPushButton::clicked, this, &QDialog::reject);
}

QString CEnterPassWordDlg::promptText(const QString& fileName) {
    return QStringLiteral("The program has detected that File \"%1\"  is password protected. "
                          "Please enter the password for the conversion.")
        .arg(fileName);
}

void CEnterPassWordDlg::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        setControlText(controls_.item(IDC_MESSAGE), promptText(fileName));
        controls_.item(IDC_PASSWORD)->setFocus();
    }
    QDialog::showEvent(event);
}

void CEnterPassWordDlg::OnOK() {
    password = controlText(controls_.item(IDC_PASSWORD));
    accept();
}

} // namespace ostrel
