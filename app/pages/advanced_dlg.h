// The "Advanced" option page: compression, JPEG quality and PDF version. "Page Layout",
// "Page Mode" and "Alternate EMF Rendering" are shown and operable but feed nothing.
#pragma once

#include "conversion_options.h"
#include "option_page.h"

class QComboBox;

namespace ostrel {

class CAdvancedDlg : public OptionPage {
    Q_OBJECT
public:
    struct Ids {
        int pageLayout;
        int pageMode;
        int documentCompression;
        int imageCompression;
        int jpegQuality;
        int pdfVersion;
        int alternateEmf;
    };
    static const Ids kDesktopIds;
    static const Ids kAddInIds;
    static const DialogTemplate& desktopTemplate(); // template 134: drop-down lists
    static const DialogTemplate& addInTemplate();   // template 205: lists with an edit field

    CAdvancedDlg(PageTemplate which, QWidget* parent);

    // The choices of the selected items of the four lists that feed options.
    void applyTo(ConversionOptions& options) const;

    const Ids& ids() const { return ids_; }
    QComboBox* list(int id) const;

private:
    void fill(int id, const QStringList& items) const;

    const Ids& ids_;
};

} // namespace ostrel
