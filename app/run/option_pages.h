// The three option pages of a window, one per tab of its tab control: Description,
// Security and Advanced, the Description page shown first.
#pragma once

#include "conversion_options.h"
#include "option_page.h"

#include <QRect>
#include <optional>

namespace ostrel {

class CAdvancedDlg;
class CDescriptionDlg;
class CSecurityDlg;
class CTabCtrlEx;

class OptionPages {
public:
    // Adds the tabs and the pages to tabs; a page sits `top` pixels below the tab
    // control's top edge, one in from its left edge and four from the others.
    OptionPages(CTabCtrlEx& tabs, PageTemplate kind, int top);

    // Shows the page of tab index (0 to 2) and hides the others.
    void show(int index);
    int current() const { return current_; }
    void setEnabled(bool enabled);
    // What the pages hold, committed in the order Advanced, Security, Description.
    ConversionOptions options();
    // Why the options cannot be used as they stand (a message for the user), or none.
    std::optional<QString> refusal();

    CDescriptionDlg* description;
    CSecurityDlg* security;
    CAdvancedDlg* advanced;

private:
    const QRect place_;
    int current_ = 0;
};

} // namespace ostrel
