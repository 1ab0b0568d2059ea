// The "Description" option page: the document information of the PDF.
#pragma once

#include "conversion_options.h"
#include "option_page.h"

namespace ostrel {

class CDescriptionDlg : public OptionPage {
    Q_OBJECT
public:
    struct Ids {
        int title;
        int subject;
        int author;
        int keywords;
    };
    static const Ids kDesktopIds;
    static const Ids kAddInIds;
    static const DialogTemplate& desktopTemplate(); // template 135
    static const DialogTemplate& addInTemplate();   // template 203

    CDescriptionDlg(PageTemplate which, QWidget* parent);

    // Exchanged from the controls by UpdateData.
    QString title;
    QString subject;
    QString author;
    QString keywords; // line breaks included

    // Control to member, never back.
    void UpdateData();
    // UpdateData, then the page's fields of options.
    void applyTo(ConversionOptions& options);

    const Ids& ids() const { return ids_; }

private:
    const Ids& ids_;
};

} // namespace ostrel
