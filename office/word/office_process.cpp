#include "word/office_process.h"

#include "system/process.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

namespace ostrel::word {

OfficeProcess::OfficeProcess(const std::vector<std::string>& arguments,
                             const std::filesystem::path& temporaryFolder) {
    reaper_ = std::thread(&OfficeProcess::reap, this, arguments, childEnvironment(temporaryFolder));
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return started_; });
    if (pid_ < 0) {
        lock.unlock();
        reaper_.join();
        throw std::runtime_error(startError_);
    }
}

OfficeProcess::~OfficeProcess() {
    kill();
    reaper_.join();
}

// The reaper thread starts the process and waits for it: the parent-death signal is
// bound to this thread, which ends only after the process has ended.
void OfficeProcess::reap(std::vector<std::string> arguments, std::vector<std::string> environment) {
    std::optional<Process> process;
    std::string error;
    try {
        ProcessOptions options;
        options.newProcessGroup = true;
        options.outputFile = "/dev/null";
        options.diesWithStartingThread = true;
        options.environment = std::move(environment);
        process.emplace(Process::start(arguments, options));
    } catch (const std::exception& failure) {
        error = std::string("cannot start the office: ") + failure.what();
    }
    {
        std::lock_guard lock(mutex_);
        started_ = true;
        pid_ = process ? process->pid() : -1;
        startError_ = error;
    }
    changed_.notify_all();
    if (!process) {
        return;
    }
    // Wait without reaping, so that the group id stays ours while helpers are killed.
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    {
        std::lock_guard lock(mutex_);
        exited_ = true; // from here on kill() leaves the id alone: it is about to be reaped
    }
    ::kill(-pid_, SIGKILL);
    const ProcessExit exit = process->wait();
    {
        std::lock_guard lock(mutex_);
        exit_ = exit;
    }
    changed_.notify_all();
}

bool OfficeProcess::running() const {
    std::lock_guard lock(mutex_);
    return !exit_.has_value();
}

std::optional<ProcessExit> OfficeProcess::exit() const {
    std::lock_guard lock(mutex_);
    return exit_;
}

bool OfficeProcess::waitForExit(std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return exit_.has_value(); });
}

void OfficeProcess::kill() {
    std::lock_guard lock(mutex_);
    if (!exited_) {
        ::kill(-pid_, SIGKILL); // the leader is not reaped yet, so the group id is still ours
        ::kill(pid_, SIGKILL);  // in case the child has not reached setpgid yet
    }
}

} // namespace ostrel::word
