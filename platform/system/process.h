// A child process started from an argument vector (never through a shell). The owner
// object ends a child that was not waited for, so no child outlives it.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ostrel {

// How a child ended.
struct ProcessExit {
    bool exited = false; // ended by exit(): code is valid
    int code = -1;
    int signal = 0; // the signal that ended it, when it did not exit

    bool succeeded() const { return exited && code == 0; }
    // "exit code 1" or "signal 9"
    std::string describe() const;
};

struct ProcessOptions {
    bool captureOutput = false;       // standard output and error go to Process::output()
    std::filesystem::path outputFile; // else, when set: appended to this file (made 0600)
    bool newProcessGroup = false;     // the child leads a group; signals reach the whole group
    std::filesystem::path workingDirectory; // empty: ours
    // Complete environment ("NAME=value"); not set: ours without the password variables
    // (childEnvironment()).
    std::optional<std::vector<std::string>> environment;
    // Open descriptors of ours the child gets as its descriptors 3, 4, ... in order.
    std::vector<int> passedDescriptors;
    // The kernel kills the child when the thread that started it ends, even when we are
    // killed: for a child that must never outlive us. That thread must then live until
    // the child has ended.
    bool diesWithStartingThread = false;
};

// The descriptor number the first passed descriptor has in the child ("/dev/fd/3").
inline constexpr int kPassedDescriptor = 3;

// Our environment without the variables that carry passwords (OSTREL_USER_PASSWORD,
// OSTREL_OWNER_PASSWORD, OSTREL_DOCUMENT_PASSWORD): no child needs them, and a child's
// environment is readable by whatever it starts.
std::vector<std::string> childEnvironment();
// The same with TMPDIR, TMP and TEMP naming `temporaryFolder`: for a child whose
// temporary files must stay in a private folder of ours rather than /tmp.
std::vector<std::string> childEnvironment(const std::filesystem::path& temporaryFolder);

class Process {
public:
    // Starts argv[0] (looked up on PATH when it holds no '/') with standard input from
    // /dev/null. Throws std::system_error when the program cannot be started.
    static Process start(const std::vector<std::string>& argv, const ProcessOptions& options = {});

    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    // Kills and reaps a child that was not waited for.
    ~Process();

    pid_t pid() const { return pid_; }
    bool finished() const { return exit_.has_value(); }

    // Blocks until the child ends (collecting its output meanwhile).
    ProcessExit wait();
    // Waits at most `timeout`; no value while the child still runs.
    std::optional<ProcessExit> waitFor(std::chrono::milliseconds timeout);

    // Asks the child (its group, when it leads one) to end, or ends it at once.
    void terminate();
    void kill();

    // What the child wrote, when captured (the last 64 KiB).
    const std::string& output() const { return output_; }

private:
    Process() = default;
    void signal(int number) noexcept;
    bool reap(bool block);
    void drainOutput(int timeoutMs);
    void closeOutput() noexcept;
    void reset() noexcept;

    pid_t pid_ = -1;
    bool group_ = false;
    int outputFd_ = -1;
    std::string output_;
    std::optional<ProcessExit> exit_;
};

} // namespace ostrel
