#include "complete_dlg.h"

#include "dialog_template.h"
#include "product.h"

#include <QPushButton>

namespace kestrine {
namespace {

using namespace ostrel;

const DialogTemplate kCompleteTemplate{
    206,
    kProductCaption,
    187,
    78,
    8,
    {
        {Kind::Label, IDC_STATIC, "Conversion succeeded. Do you want to open the document?", 33, 14,
         134, 26},
        {Kind::PushButton, IDOK, "&Yes", 41, 58, 50, 14, BS_DEFPUSHBUTTON},
        {Kind::PushButton, IDCANCEL, "&No", 95, 58, 50, 14},
    },
};

} // namespace

CCompleteDlg::CCompleteDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setObjectName(QStringLiteral("CCompleteDlg"));
    const DialogControls controls = createDialog(this, kCompleteTemplate);
    setFixedSize(size());
    connect(controls.get<QPushButton>(IDOK), &QPushButton::clicked, this, &QDialog::accept);
    connect(controls.get<QPushButton>(IDCANCEL), &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace kestrine
