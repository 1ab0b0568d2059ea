// CConvertDlg: the add-in's one window, opened for the active document. It proposes
// the document's folder as the output folder.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace kestrine {

class CConvertDlg : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString sourcePath MEMBER m_sourcePath)
    Q_PROPERTY(QString outputFolder MEMBER m_outputFolder)

public:
    explicit CConvertDlg(QWidget* parent = nullptr);

    // Set by the caller before the dialog is shown.
    QString m_sourcePath;
    QString m_outputFolder;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();

    QLineEdit* outputEdit_;
    bool initialised_ = false;
};

} // namespace kestrine
