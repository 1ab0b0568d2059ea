// CCompleteDlg: after a run, asks whether the new PDF should be opened.
// "&Yes" (Enter) ends it with Accepted, "&No", Escape and the close box with Rejected.
#pragma once

#include <QDialog>

namespace kestrine {

class CCompleteDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCompleteDlg(QWidget* parent = nullptr);
};

} // namespace kestrine
