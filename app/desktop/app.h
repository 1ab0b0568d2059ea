// The application object: one running program per user, the main window shown modally.
#pragma once

#include "document_handoff.h"

namespace ostrel {

class CPelvarAllToPDFApp {
public:
    // The documents of the command line: listed as if dropped, or handed to the program
    // that runs already.
    DocumentRequest request;

    // Runs the program; answers the process's exit code. A second start returns 0 at once,
    // before any window (1 when it brought documents and the running program did not take
    // them).
    int InitInstance();
};

} // namespace ostrel
