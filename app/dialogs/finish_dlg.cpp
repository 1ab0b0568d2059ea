#include "finish_dlg.h"

#include "list_box_ex.h"
#include "message_boxes.h"
#include "product.h"
#include "resource_ids.h"
#include "shell_opener.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>

namespace ostrel {

const DialogTemplate& CFinishDlg::dialogTemplate() {
    static const QByteArray logo = bitmapResource(IDB_LOGO).toUtf8();
    static const DialogTemplate dialog{
        136,
        kProductCaption,
        248,
        107,
        8,
        {
            {Kind::Picture, IDC_LOGO, logo.constData(), 14, 4, 45, 35},
            {Kind::Label, IDC_HEADLINE, "", 47, 10, 173, 8},
            {Kind::ListBox, IDC_RESULTS, "", 13, 28, 221, 52, LBS_SORT | WS_VSCROLL | WS_BORDER},
            {Kind::PushButton, IDC_OPEN_FILE, "Open File", 43, 88, 58, 14},
            {Kind::PushButton, IDC_OPEN_FOLDER, "Open Folder", 110, 88, 58, 14, BS_DEFPUSHBUTTON},
            {Kind::PushButton, IDCANCEL, "Close", 177, 88, 58, 14},
        }};
    return dialog;
}

CFinishDlg::CFinishDlg(QWidget* parent)
    : QDialog(parent), messageBoxes(&MessageBoxes::standard()), shell(&ShellOpener::standard()),
      controls_(createDialog(this, dialogTemplate())) {
    setFixedSize(size());
    resultsList = controls_.get<QListWidget>(IDC_RESULTS);
    connect(controls_.get<QPushButton>(IDC_OPEN_FILE), &QPushButton::clicked, this,
            &CFinishDlg::OnOpenFile);
    connect(controls_.get<QPushButton>(IDC_OPEN_FOLDER), &QPushButton::clicked, this,
            &CFinishDlg::OnOpenFolder);
    connect(controls_.get<QPushButton>(IDCANCEL), &QPushButton::clicked, this, &CFinishDlg::reject);
}

void CFinishDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CFinishDlg::OnInitDialog() {
    resultsList->clear();
    for (const QString& name : convertedFiles) {
        addStringSorted(*resultsList, name);
    }
    setControlText(controls_.item(IDC_HEADLINE), QStringLiteral("Conversion Completes!"));
    if (resultsList->count() > 0) {
        resultsList->setCurrentRow(0);
    }
    if (!folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
}

void CFinishDlg::OnOpenFile() {
    const QListWidgetItem* selected = resultsList->currentItem();
    if (!selected || !selected->isSelected()) {
        messageBoxes->show(this, QMessageBox::Critical, QStringLiteral("ERROR"),
                           QStringLiteral("Please choose one file !"), QMessageBox::Ok);
        return;
    }
    shell->open(folder + selected->text());
}

void CFinishDlg::OnOpenFolder() {
    const QListWidgetItem* selected = resultsList->currentItem();
    if (!selected || !selected->isSelected()) {
        selected = resultsList->item(0);
    }
    if (!selected) {
        shell->open(folder);
        return;
    }
    shell->showInFolder(folder, folder + selected->text());
}

void CFinishDlg::reject() {
    convertedFiles.clear();
    QDialog::reject();
}

} // namespace ostrel
