// What the engine and the "Word.Application" server agree on: Word's class, the members
// the engine calls by their dispatch ids, the printer every document is printed to, and
// the title of the questions the office asks while it works (pending prompts the hosts
// answer).
#pragma once

#include "com/com.h"

namespace ostrel::word {

inline constexpr const char* kProgId = "Word.Application";
// Word's well-known class id, {000209FF-0000-0000-C000-000000000046}.
inline constexpr CLSID kClassId{
    0x000209FF, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

inline constexpr const char* kPrinterName = "OstrelWordToPDF";
inline constexpr const char* kPromptTitle = "Microsoft Office Word";

namespace dispid {
// Application
inline constexpr DISPID kVisible = 23;
inline constexpr DISPID kActivePrinter = 66;
inline constexpr DISPID kDocuments = 6;
inline constexpr DISPID kBackgroundPrintingStatus = 86;
inline constexpr DISPID kQuit = 1105;
// Documents
inline constexpr DISPID kOpen = 15;
// Document
inline constexpr DISPID kPrintOut = 444;
inline constexpr DISPID kClose = 1105;
inline constexpr DISPID kFullName = 49;
} // namespace dispid

} // namespace ostrel::word
