// The product's fixed names and texts.
#pragma once

namespace ostrel {

inline constexpr const char* productCaption = "Ostrel Word To PDF 3.0";
inline constexpr const char* productWebsite = "https://www.ostrel.example/";
inline constexpr const char* makerNotice =
    "Copyright (C) 2024 Ostrel Software. All rights reserved.";
inline constexpr const char* legalNotice =
    " Warning: this computer program is protected by copyright law and international\n"
    " treaties. Unauthorized copying or distribution of it may result in prosecution.";
inline constexpr const char* helpFileName = "Ostrel Word To PDF 3.0 - Help.chm";
// The single-instance lock, in the user's runtime folder.
inline constexpr const char* instanceLockName = "OstrelWordToPDF";

} // namespace ostrel
