// The status line a terminal user sees while files convert: which file of how many, what
// is working on it and for how long, redrawn in place twice a second on standard error.
// Everything else written to the terminal clears it first, so results, problems and
// questions never share its line. A disabled line (not a terminal, or --quiet) writes
// nothing at all.
#pragma once

#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ostrel::cli {

class ProgressLine {
public:
    ProgressLine(int terminalDescriptor, bool enabled);
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    // Clears the line.
    ~ProgressLine();

    // A new file (number from 1) and what works on it; the clock starts again.
    void show(int number, int count, const QString& file, const QString& activity);
    // What works on the current file now; shown unless the line is held or cleared.
    void setActivity(const QString& activity);
    // Erases the line until the next show().
    void clear();

    // Erases the line while something else uses the terminal, and shows it again after.
    // Holding no line (nullptr) does nothing.
    class Hold {
    public:
        explicit Hold(ProgressLine* line);
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold();

    private:
        ProgressLine* line_;
        bool wasVisible_ = false;
    };

private:
    void tick();
    // Both with mutex_ held.
    void draw();
    void erase();
    void write(const QByteArray& bytes) const;

    const int descriptor_;
    const bool enabled_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool visible_ = false;
    bool drawn_ = false;
    QString prefix_; // "[2/5] name"
    QString activity_;
    QString drawnText_; // what the terminal shows while drawn_
    std::chrono::steady_clock::time_point started_;
    std::thread ticker_;
};

} // namespace ostrel::cli
