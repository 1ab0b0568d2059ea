// Faults on demand, for tests of what a run does when the office fails: the variable
// OSTREL_OFFICE_FAULTS names documents (by file name) that make the office crash, hang
// or print garbage when they are printed, as in "crash=a.docx;hang=b.doc;garbage=c.doc".
// Without the variable no document is special.
#pragma once

#include <string>

namespace ostrel::word {

enum class OfficeFault { None, Crash, Hang, Garbage };

// The fault asked for the document with this file name (no folder).
OfficeFault faultFor(const std::string& fileName);

// Whether any fault is asked for at all.
bool faultsRequested();

} // namespace ostrel::word
