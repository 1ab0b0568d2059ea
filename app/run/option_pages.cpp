#include "option_pages.h"

#include "advanced_dlg.h"
#include "description_dlg.h"
#include "security_dlg.h"
#include "tab_ctrl_ex.h"

namespace ostrel {

OptionPages::OptionPages(CTabCtrlEx& tabs, PageTemplate kind, int top)
    : place_(tabs.rect().adjusted(1, top, -4, -4)) {
    tabs.InsertItem(0, QStringLiteral("Description"));
    tabs.InsertItem(1, QStringLiteral("Security"));
    tabs.InsertItem(2, QStringLiteral("Advanced"));
    description = new CDescriptionDlg(kind, &tabs);
    security = new CSecurityDlg(kind, &tabs);
    advanced = new CAdvancedDlg(kind, &tabs);
    security->hide();
    advanced->hide();
    description->setGeometry(place_);
    description->show();
}

void OptionPages::show(int index) {
    QWidget* const pages[] = {description, security, advanced};
    if (index < 0 || index > 2) {
        return;
    }
    current_ = index;
    for (int i = 0; i < 3; ++i) {
        if (i != index) {
            pages[i]->hide();
        }
    }
    pages[index]->setGeometry(place_);
    pages[index]->show();
}

void OptionPages::setEnabled(bool enabled) {
    for (QWidget* page : {static_cast<QWidget*>(description), static_cast<QWidget*>(security),
                          static_cast<QWidget*>(advanced)}) {
        page->setEnabled(enabled);
    }
}

ConversionOptions OptionPages::options() {
    ConversionOptions options;
    advanced->applyTo(options);
    security->applyTo(options);
    description->applyTo(options);
    return options;
}

std::optional<QString> OptionPages::refusal() {
    return security->passwordRefusal();
}

} // namespace ostrel
