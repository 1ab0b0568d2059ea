#include "about_dlg.h"

#include "enable_edit.h"
#include "message_boxes.h"
#include "product.h"
#include "resource_ids.h"
#include "shell_opener.h"
#include "templates.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace ostrel {

void openWebsite(QWidget* owner, ShellOpener& shell, MessageBoxes& boxes) {
    const QString address = QString::fromUtf8(kProductWebsite);
    if (!shell.openWithProgram(address)) {
        boxes.refuse(
            owner,
            QStringLiteral("No program can open the website here. Its address is %1").arg(address));
    }
}

CAboutDlg::CAboutDlg(QWidget* parent, ShellOpener* shell, MessageBoxes* messageBoxes)
    : QDialog(parent),
      controls_(createDialog(
          this, aboutTemplate(),
          {{IDC_LEGAL_NOTICE,
            [](QWidget* owner, const DialogItem&) { return new CEnableEdit(owner, true); }}})),
      shell_(shell ? shell : &ShellOpener::standard()),
      messageBoxes_(messageBoxes ? messageBoxes : &MessageBoxes::standard()),
      banner_(loadBitmap(IDB_ABOUT_BANNER)) {
    setObjectName(QStringLiteral("aboutBox"));
    setFixedSize(size());
    OnInitDialog();
    connect(controls_.get<QPushButton>(IDOK), &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::OnInitDialog() {
    auto* notice = controls_.get<CEnableEdit>(IDC_LEGAL_NOTICE);
    notice->setText(QString::fromUtf8(kLegalNotice));
    // Clicks are consumed before they reach the notice.
    notice->viewport()->installEventFilter(this);
    notice->setFocusPolicy(Qt::NoFocus);

    auto* link = controls_.get<QLabel>(IDC_WEBSITE_LINK);
    QFont underlined = link->font();
    underlined.setUnderline(true);
    link->setFont(underlined);
    QPalette colours = link->palette();
    colours.setColor(QPalette::WindowText, QColor(8, 68, 170));
    link->setPalette(colours);
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
}

void CAboutDlg::OnWebsiteLink() {
    openWebsite(this, *shell_, *messageBoxes_);
}

bool CAboutDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == controls_.item(IDC_WEBSITE_LINK) &&
        event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        OnWebsiteLink();
        return true;
    }
    if (watched == controls_.get<CEnableEdit>(IDC_LEGAL_NOTICE)->viewport() &&
        (event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick)) {
        return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    }
    return QDialog::eventFilter(watched, event);
}

void CAboutDlg::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const int bannerBottom = controls_.units().y(63 + 1);
    painter.drawPixmap(QRect(0, 0, width(), bannerBottom), banner_);
    QDialog::paintEvent(event);
}

} // namespace ostrel
