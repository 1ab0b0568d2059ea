// The desktop program's dialog templates: the main window, the convert page and the
// about box, each control a row in dialog units.
#pragma once

#include "dialog_template.h"

namespace ostrel {

// Main window (template 102).
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDC_WEBSITE = 1030;
inline constexpr int IDC_HELP = 1031;
inline constexpr int IDC_ABOUT = 1032;
inline constexpr int IDC_HEADER_LINE = 1033;
inline constexpr int IDC_PAGE_HOST = 1034;

// Convert page.
inline constexpr int IDD_CONVERT = 129;
inline constexpr int IDC_TITLE = 1001;
inline constexpr int IDC_TAB = 1006;
inline constexpr int IDC_FILE_LIST = 1008;
inline constexpr int IDC_ADD_FILES = 1009;
inline constexpr int IDC_REMOVE = 1010;
inline constexpr int IDC_REMOVE_ALL = 1011;
inline constexpr int IDC_DESTINATION = 1012;
inline constexpr int IDC_BROWSE = 1013;
inline constexpr int IDC_STATUS_CAPTION = 1014;
inline constexpr int IDC_ADVANCED_SWITCH = 1015;
inline constexpr int IDC_SEPARATOR = 1016;
inline constexpr int IDC_ADVANCED_GROUP = 1017;
inline constexpr int IDC_CONVERT = 1019;
inline constexpr int IDC_STATUS = 1023;
inline constexpr int IDC_PROGRESS = 1027;

// About box (template 100).
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDC_BANNER_LINE = 1024;
inline constexpr int IDC_WEBSITE_LINK = 1025;
inline constexpr int IDC_LEGAL_NOTICE = 1028;

const DialogTemplate& mainTemplate();
const DialogTemplate& convertTemplate();
const DialogTemplate& aboutTemplate();

} // namespace ostrel
