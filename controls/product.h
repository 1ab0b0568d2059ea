// The product's name and fixed texts: the program, the add-in and the pictures show them.
#pragma once

namespace ostrel {

inline constexpr const char* productCaption = "Ostrel Word To PDF 3.0";
inline constexpr const char* productWebsite = "https://www.ostrel.example/";
inline constexpr const char* makerNotice =
    "Copyright (C) 2024 Ostrel Software. All rights reserved.";
inline constexpr const char* legalNotice =
    " Protected by copyright law and international treaties.\n"
    " Unauthorized copying or distribution is prohibited.";
// The single-instance lock, in the user's runtime folder.
inline constexpr const char* instanceLockName = "OstrelWordToPDF";

} // namespace ostrel
