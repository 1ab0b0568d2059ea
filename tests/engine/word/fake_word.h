// A scriptable stand-in for "Word.Application": an in-process server of our COM layer
// that records every call it receives (object, dispatch id, kind, argument types and
// values in the caller's order) in one journal, and "prints" a small PostScript page.
// Tests link this library and the COM runtime loads the same file from the registry,
// so both see one script and one journal.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fakeword {

struct Script {
    int createFailures = 0; // the next N creations fail
    int openFailures = 0;   // the next N opens fail
    // When set, Open succeeds only with this PasswordDocument.
    std::optional<std::string> password;
    bool visibleFails = false;
    bool printOutFails = false;
    bool statusFails = false;
    bool closeFails = false;
    bool quitFails = false;
    // BackgroundPrintingStatus answers this, then one less on each read, down to 0.
    int pendingJobs = 0;
    // Written to OutputFileName by PrintOut.
    std::string printed = "%!PS-Adobe-3.0\n"
                          "/Helvetica findfont 24 scalefont setfont\n"
                          "72 700 moveto (Fake Word) show showpage\n";
};

// The script of the next calls; reset() restores the defaults and empties the journal.
Script& script();
void reset();

// Every call in order, for example
//   "Application.put 23(BOOL:0)"
//   "Documents.call 15(&BSTR:/a/b.doc, &I2:0, ..., &ERROR:80020004, ...)"
//   "Document released"
// Arguments by reference as variants are shown with a leading "&".
std::vector<std::string> journal();
// Lets a test put its own events (the host's) into the same journal.
void note(const std::string& event);

// Fake objects alive right now (application, collections, documents, class factories).
int liveObjects();

} // namespace fakeword
