// The application object: one running program per user, the main window shown modally.
#pragma once

namespace ostrel {

class CPelvarAllToPDFApp {
public:
    // Runs the program; answers the process's exit code. A second start returns 0 at once,
    // before any window.
    int InitInstance();
};

} // namespace ostrel
