#include "description_dlg.h"

namespace ostrel {

const CDescriptionDlg::Ids CDescriptionDlg::kDesktopIds{1000, 1001, 1002, 1003};
const CDescriptionDlg::Ids CDescriptionDlg::kAddInIds{203, 204, 202, 205};

const DialogTemplate& CDescriptionDlg::desktopTemplate() {
    const Ids& id = kDesktopIds;
    static const DialogTemplate page{
        135,
        "",
        420,
        141,
        8,
        {
            {Kind::Label, IDC_STATIC, "Title", 19, 7, 14, 8},
            {Kind::Edit, id.title, "", 41, 7, 102, 14, ES_AUTOHSCROLL},
            {Kind::Label, IDC_STATIC, "Subject", 6, 37, 25, 9},
            {Kind::Edit, id.subject, "", 41, 37, 102, 14},
            {Kind::Label, IDC_STATIC, "Author", 10, 67, 23, 8},
            {Kind::Edit, id.author, "", 41, 67, 102, 14},
            {Kind::Label, IDC_STATIC, "Keywords", 160, 7, 32, 8},
            {Kind::Edit, id.keywords, "", 200, 7, 174, 74,
             ES_MULTILINE | WS_VSCROLL | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN},
        }};
    return page;
}

const DialogTemplate& CDescriptionDlg::addInTemplate() {
    const Ids& id = kAddInIds;
    static const DialogTemplate page{
        203,
        "",
        310,
        228,
        8,
        {
            {Kind::Label, IDC_STATIC, "Title:", 27, 8, 16, 10},
            {Kind::Edit, id.title, "", 27, 22, 216, 14, ES_AUTOHSCROLL},
            {Kind::Label, IDC_STATIC, "Author:", 27, 42, 26, 8},
            {Kind::Edit, id.author, "", 27, 57, 216, 14, ES_AUTOHSCROLL},
            {Kind::Label, IDC_STATIC, "Subject:", 27, 78, 28, 8},
            {Kind::Edit, id.subject, "", 27, 91, 216, 14, ES_AUTOHSCROLL},
            {Kind::Label, IDC_STATIC, "Keywords:", 27, 112, 35, 8},
            {Kind::Edit, id.keywords, "", 27, 125, 216, 78,
             ES_MULTILINE | WS_VSCROLL | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN},
        }};
    return page;
}

CDescriptionDlg::CDescriptionDlg(PageTemplate which, QWidget* parent)
    : OptionPage(parent, which == PageTemplate::Desktop ? desktopTemplate() : addInTemplate()),
      ids_(which == PageTemplate::Desktop ? kDesktopIds : kAddInIds) {
}

void CDescriptionDlg::UpdateData() {
    title = controlText(controls_.item(ids_.title));
    subject = controlText(controls_.item(ids_.subject));
    author = controlText(controls_.item(ids_.author));
    keywords = controlText(controls_.item(ids_.keywords));
}

void CDescriptionDlg::applyTo(ConversionOptions& options) {
    UpdateData();
    options.title = title;
    options.subject = subject;
    options.author = author;
    options.keywords = keywords;
}

} // namespace ostrel
