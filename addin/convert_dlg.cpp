#include "convert_dlg.h"

#include <QLineEdit>

namespace kestrine {

CConvertDlg::CConvertDlg(QWidget* parent) : QDialog(parent), outputEdit_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("CConvertDlg"));
    setWindowTitle(QStringLiteral("Ostrel Word To PDF 3.0"));
    outputEdit_->setObjectName(QStringLiteral("control221"));
}

void CConvertDlg::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CConvertDlg::OnInitDialog() {
    const qsizetype slash = m_sourcePath.lastIndexOf(QLatin1Char('/'));
    m_outputFolder = slash < 0 ? QString() : m_sourcePath.left(slash + 1);
    outputEdit_->setText(m_outputFolder);
}

} // namespace kestrine
