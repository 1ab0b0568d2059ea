// The product's name and fixed texts: the program, the add-in and the pictures show them.
#pragma once

namespace ostrel {

inline constexpr const char* kProductCaption = "Ostrel Word To PDF 3.0";
inline constexpr const char* kProductWebsite = "https://www.ostrel.example/";
// The desktop entry that installs the program (app/desktop/OstrelWordToPdf.desktop).
inline constexpr const char* kProductDesktopEntry = "OstrelWordToPdf.desktop";
inline constexpr const char* kMakerNotice =
    "Copyright (C) 2024 Ostrel Software. All rights reserved.";
inline constexpr const char* kLegalNotice =
    " Protected by copyright law and international treaties.\n"
    " Unauthorized copying or distribution is prohibited.";
// The single-instance lock, in the user's runtime folder.
inline constexpr const char* kInstanceLockName = "OstrelWordToPDF";

} // namespace ostrel
