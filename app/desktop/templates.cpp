#include "templates.h"

#include "product.h"

#include <string>

namespace ostrel {

const DialogTemplate& mainTemplate() {
    static const DialogTemplate dialog{
        IDD_MAIN,
        kProductCaption,
        425,
        442,
        8,
        {
            {Kind::Custom, IDC_WEBSITE, "Website", 189, 3, 40, 34},
            {Kind::Custom, IDC_HELP, "Help", 248, 3, 40, 34},
            {Kind::Custom, IDC_ABOUT, "About", 307, 3, 40, 34},
            {Kind::Frame, IDC_HEADER_LINE, "", 0, 40, 425, 1, SS_ETCHEDFRAME},
            {Kind::Static, IDC_PAGE_HOST, "", 0, 41, 425, 401},
        }};
    return dialog;
}

const DialogTemplate& convertTemplate() {
    static const DialogTemplate dialog{
        IDD_CONVERT,
        "",
        442,
        394,
        8,
        {
            {Kind::Label, IDC_TITLE, "Convert Word To PDF", 7, 4, 171, 10},
            {Kind::Label, IDC_STATIC, "You can add more than one file at a time for conversion", 7,
             15, 198, 10},
            {Kind::Custom, IDC_FILE_LIST, "", 7, 25, 297, 64,
             LBS_SORT | LBS_EXTENDEDSEL | LBS_DISABLENOSCROLL | WS_VSCROLL},
            {Kind::PushButton, IDC_ADD_FILES, "Add File(s)", 315, 25, 63, 14},
            {Kind::PushButton, IDC_REMOVE, "Remove", 315, 45, 63, 14, WS_DISABLED},
            {Kind::PushButton, IDC_REMOVE_ALL, "Remove All", 315, 65, 63, 14, WS_DISABLED},
            {Kind::GroupBox, IDC_STATIC, "Save File(s) to:", 7, 100, 400, 44},
            {Kind::Label, IDC_STATIC, "Selete destination folder for converted file(s).", 23, 114,
             193, 8},
            {Kind::Edit, IDC_DESTINATION, "", 23, 124, 256, 14, ES_AUTOHSCROLL},
            {Kind::PushButton, IDC_BROWSE, "Browse", 288, 124, 63, 14},
            {Kind::Label, IDC_STATUS_CAPTION, "Status", 7, 156, 88, 10},
            {Kind::Custom, IDC_STATUS, "", 7, 167, 200, 12, NO_BORDER},
            {Kind::Custom, IDC_PROGRESS, "", 7, 180, 311, 15},
            {Kind::PushButton, IDC_CONVERT, "Convert", 334, 181, 63, 14, WS_DISABLED},
            {Kind::CheckBox, IDC_ADVANCED_SWITCH, "", 8, 203, 8, 8},
            {Kind::Label, IDC_STATIC, "Display Advanced Options.", 20, 203, 87, 8},
            {Kind::Frame, IDC_SEPARATOR, "", 5, 222, 402, 1, SS_BLACKFRAME},
            {Kind::GroupBox, IDC_ADVANCED_GROUP, "Advanced Options:", 7, 232, 400, 145},
            {Kind::Custom, IDC_TAB, "", 13, 250, 389, 120},
        }};
    return dialog;
}

const DialogTemplate& aboutTemplate() {
    static const std::string caption = std::string("About ") + kProductCaption;
    static const DialogTemplate dialog{
        IDD_ABOUTBOX,
        caption.c_str(),
        218,
        172,
        9, // "Microsoft Sans Serif"
        {
            {Kind::Frame, IDC_BANNER_LINE, "", 1, 63, 217, 1, SS_ETCHEDFRAME},
            {Kind::Label, IDC_STATIC, kProductCaption, 11, 66, 75, 8},
            {Kind::Label, IDC_STATIC, kMakerNotice, 11, 75, 185, 8},
            {Kind::Label, IDC_STATIC, "Website :", 11, 84, 30, 8},
            {Kind::Label, IDC_WEBSITE_LINK, kProductWebsite, 45, 84, 105, 8},
            {Kind::Custom, IDC_LEGAL_NOTICE, "", 10, 98, 198, 44, ES_MULTILINE | WS_BORDER},
            {Kind::PushButton, IDOK, "OK", 158, 150, 50, 14, BS_DEFPUSHBUTTON},
        }};
    return dialog;
}

} // namespace ostrel
