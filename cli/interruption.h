// SIGINT, SIGTERM and SIGHUP end a run of ostrel-convert in order instead of killing it:
// the signals are taken by a thread of their own (a signalfd, so no handler runs at an
// arbitrary point), which notes the signal, wakes whatever waits on the terminal and
// ends our child processes (the office, Ghostscript), so that no call blocks for long.
// The engine then stops at its next "go on?" question and every temporary file goes
// with the objects that own it.
#pragma once

#include <thread>

namespace ostrel::cli {

class Interruption {
public:
    // Blocks the three signals in this thread and every thread started after it, and
    // starts watching. Make it first in main(), before any other thread exists.
    // Throws std::system_error when the watch cannot be set up.
    Interruption();
    // Stops watching; the signals stay blocked.
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // The signal that arrived first, or 0 (also when no Interruption exists).
    static int signal();
    // Readable once a signal arrived, for waits that must end then; -1 without watch.
    static int wakeDescriptor();

private:
    void watch();

    int signalFd_ = -1;
    int stopFd_ = -1;
    std::thread watcher_;
};

// "SIGINT", "SIGTERM", "SIGHUP" (else "signal N").
const char* signalName(int number);

} // namespace ostrel::cli
