#include "advanced_dlg.h"

#include "option_choices.h"

#include <QComboBox>
#include <QLineEdit>

namespace ostrel {

const CAdvancedDlg::Ids CAdvancedDlg::kDesktopIds{1030, 1031, 1032, 1033, 1034, 1035, 1036};
const CAdvancedDlg::Ids CAdvancedDlg::kAddInIds{214, 215, 216, 217, 218, 219, 220};

const DialogTemplate& CAdvancedDlg::desktopTemplate() {
    const Ids& id = kDesktopIds;
    constexpr Style list = CBS_DROPDOWNLIST | WS_VSCROLL;
    static const DialogTemplate page{
        134,
        "",
        415,
        162,
        8,
        {
            {Kind::Label, IDC_STATIC, "Page Layout", 10, 13, 41, 8},
            {Kind::ComboBox, id.pageLayout, "", 92, 10, 86, 45, list | CBS_SORT},
            {Kind::Label, IDC_STATIC, "Page Mode", 10, 34, 36, 8},
            {Kind::ComboBox, id.pageMode, "", 92, 31, 86, 42, list | CBS_SORT},
            {Kind::Label, IDC_STATIC, "Document Compression", 10, 55, 76, 8},
            {Kind::ComboBox, id.documentCompression, "", 92, 52, 86, 44, list | CBS_SORT},
            {Kind::Label, IDC_STATIC, "Images Compression", 197, 13, 67, 8},
            {Kind::ComboBox, id.imageCompression, "", 286, 10, 86, 45, list},
            {Kind::Label, IDC_STATIC, "JPEG Quality", 197, 34, 42, 8},
            {Kind::ComboBox, id.jpegQuality, "", 286, 31, 86, 46, list},
            {Kind::Label, IDC_STATIC, "PDF Version", 197, 55, 39, 8},
            {Kind::ComboBox, id.pdfVersion, "", 286, 52, 86, 43, list},
            {Kind::CheckBox, id.alternateEmf, "", 286, 76, 8, 8},
            {Kind::Label, IDC_STATIC, "Alternate EMF Rendering", 197, 75, 81, 11},
        }};
    return page;
}

const DialogTemplate& CAdvancedDlg::addInTemplate() {
    const Ids& id = kAddInIds;
    constexpr Style list = CBS_DROPDOWN | WS_VSCROLL;
    static const DialogTemplate page{
        205,
        "",
        268,
        209,
        8,
        {
            {Kind::Label, IDC_STATIC, "Page Layout", 23, 19, 41, 8},
            {Kind::ComboBox, id.pageLayout, "", 128, 18, 106, 60, list},
            {Kind::Label, IDC_STATIC, "Page Mode", 23, 44, 36, 8},
            {Kind::ComboBox, id.pageMode, "", 128, 42, 106, 59, list},
            {Kind::Label, IDC_STATIC, "Document Compression", 23, 69, 76, 8},
            {Kind::ComboBox, id.documentCompression, "", 128, 67, 106, 67, list},
            {Kind::Label, IDC_STATIC, "Images Compression", 23, 94, 67, 8},
            {Kind::ComboBox, id.imageCompression, "", 128, 93, 106, 52, list},
            {Kind::Label, IDC_STATIC, "JPEG Quality", 23, 119, 42, 8},
            {Kind::ComboBox, id.jpegQuality, "", 128, 118, 106, 49, list},
            {Kind::Label, IDC_STATIC, "PDF Version", 23, 144, 39, 8},
            {Kind::ComboBox, id.pdfVersion, "", 128, 143, 106, 53, list},
            {Kind::Label, IDC_STATIC, "Alternate EMF Rendering", 23, 169, 81, 8},
            // Its own text ("Check1") never fits its 8 units and is not seen.
            {Kind::CheckBox, id.alternateEmf, "", 127, 169, 8, 8},
        }};
    return page;
}

CAdvancedDlg::CAdvancedDlg(PageTemplate which, QWidget* parent)
    : OptionPage(parent, which == PageTemplate::Desktop ? desktopTemplate() : addInTemplate()),
      ids_(which == PageTemplate::Desktop ? kDesktopIds : kAddInIds) {
    fill(ids_.pageLayout, {"Continuous"});
    fill(ids_.pageMode, {"Normal"});
    fill(ids_.documentCompression, labelsOf(kDocumentCompressions));
    fill(ids_.imageCompression, labelsOf(kImageCompressions));
    fill(ids_.jpegQuality, labelsOf(kJpegQualities));
    fill(ids_.pdfVersion, labelsOf(kPdfVersions));
}

QComboBox* CAdvancedDlg::list(int id) const {
    return controls_.get<QComboBox>(id);
}

void CAdvancedDlg::fill(int id, const QStringList& items) const {
    QComboBox* box = list(id);
    for (const QString& item : items)
        addString(*box, item);
    box->setCurrentIndex(0);
    if (!box->isEditable())
        return;
    // Leaving a list's edit field shows the item that will be used.
    connect(box->lineEdit(), &QLineEdit::editingFinished, box, [box] {
        const QString text = selectedItemText(*box);
        box->setCurrentIndex(box->findText(text));
        box->setEditText(text);
    });
}

void CAdvancedDlg::applyTo(ConversionOptions& options) const {
    options.documentCompression =
        choiceLabelled(kDocumentCompressions, selectedItemText(*list(ids_.documentCompression)));
    options.imageCompression =
        choiceLabelled(kImageCompressions, selectedItemText(*list(ids_.imageCompression)));
    options.jpegQuality = choiceLabelled(kJpegQualities, selectedItemText(*list(ids_.jpegQuality)));
    options.pdfVersion = pdfVersionOfText(selectedItemText(*list(ids_.pdfVersion)));
}

} // namespace ostrel
