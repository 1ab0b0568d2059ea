// Renders the option pages (both templates), the dialogs and the header buttons to PNG
// files so that anyone can look at them:
//   ostrel_render_dialogs <output folder>
#include "advanced_dlg.h"
#include "description_dlg.h"
#include "enter_password_dlg.h"
#include "finish_dlg.h"
#include "resource_ids.h"
#include "security_dlg.h"
#include "tab_ctrl_ex.h"
#include "transparent_button.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

namespace ostrel {
namespace {

bool save(QWidget& widget, const QDir& out, const QString& name) {
    widget.ensurePolished();
    const QString path = out.filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "render-dialogs: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// A page as the convert page shows it: on its tab control, in the page rectangle.
template <class Page>
bool savePage(const QDir& out, const QString& name, PageTemplate which, int tab,
              const std::function<void(Page&)>& prepare = {}) {
    CTabCtrlEx tabs(nullptr, which == PageTemplate::Desktop ? CTabCtrlEx::Variant::Desktop
                                                            : CTabCtrlEx::Variant::AddIn);
    tabs.InsertItem(0, QStringLiteral("Description"));
    tabs.InsertItem(1, QStringLiteral("Security"));
    tabs.InsertItem(2, QStringLiteral("Advanced"));
    tabs.SetCurSel(tab);
    Page page(which, &tabs);
    tabs.resize(page.width() + 5, page.height() + 34);
    page.move(1, 30);
    page.show();
    if (prepare)
        prepare(page);
    return save(tabs, out, name);
}

void click(QAbstractButton* button) {
    button->click();
}

bool renderPages(const QDir& out) {
    bool ok = true;
    for (const PageTemplate which : {PageTemplate::Desktop, PageTemplate::AddIn}) {
        const QString suffix =
            which == PageTemplate::Desktop ? QStringLiteral("desktop") : QStringLiteral("addin");
        ok &= savePage<CDescriptionDlg>(
            out, "description-" + suffix, which, 0, [](CDescriptionDlg& page) {
                setControlText(page.controls().item(page.ids().title),
                               QStringLiteral("Annual report"));
                setControlText(page.controls().item(page.ids().keywords),
                               QStringLiteral("finance\nreport\n2026"));
            });
        ok &= savePage<CSecurityDlg>(out, "security-" + suffix, which, 1);
        ok &=
            savePage<CSecurityDlg>(out, "security-on-" + suffix, which, 1, [](CSecurityDlg& page) {
                click(page.button(page.ids().master));
                setControlText(page.controls().item(page.ids().userPassword),
                               QStringLiteral("secret"));
                click(page.button(page.ids().printing));
            });
        ok &= savePage<CAdvancedDlg>(out, "advanced-" + suffix, which, 2);
    }
    return ok;
}

bool renderDialogs(const QDir& out) {
    CEnterPassWordDlg prompt;
    prompt.fileName = QStringLiteral("report.doc");
    prompt.show();
    bool ok = save(prompt, out, QStringLiteral("enter-password"));
    prompt.hide();

    CFinishDlg finish;
    finish.folder = QDir::homePath();
    finish.convertedFiles = QStringList{"report.pdf", "Agenda.pdf", "minutes.pdf", "budget.pdf"};
    finish.show();
    ok &= save(finish, out, QStringLiteral("finish"));
    finish.hide();
    return ok;
}

// The main window's header with its three buttons: Website hovered, Help pressed; then
// all three disabled.
class Header : public QWidget {
public:
    Header() { resize(638, 70); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawPixmap(rect(), loadBitmap(IDB_HEADER));
    }
};

bool renderHeader(const QDir& out) {
    Header header;
    const struct {
        const char* text;
        int icon;
        int x;
    } buttons[] = {
        {"Website", IDI_WEBSITE, 331}, {"Help", IDI_HELP, 434}, {"About", IDI_ABOUT, 537}};
    std::vector<CTransParentButton*> made;
    for (const auto& spec : buttons) {
        auto* button = new CTransParentButton(&header);
        button->setText(QString::fromLatin1(spec.text));
        button->setGeometry(spec.x, 5, 70, 60);
        button->normalIcon = button->hotIcon = loadIcon(spec.icon);
        button->hasIcon = true;
        button->iconTopMargin = 10;
        button->layout = 1;
        made.push_back(button);
    }
    header.show();
    made[0]->hoverState = CTransParentButton::MouseOver;
    made[1]->hoverState = CTransParentButton::Pressed;
    bool ok = save(header, out, QStringLiteral("header-buttons"));
    for (CTransParentButton* button : made)
        button->setEnabled(false);
    ok &= save(header, out, QStringLiteral("header-buttons-disabled"));
    return ok;
}

} // namespace
} // namespace ostrel

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ostrel_render_dialogs <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    const bool ok =
        ostrel::renderPages(out) && ostrel::renderDialogs(out) && ostrel::renderHeader(out);
    return ok ? 0 : 1;
}
