#include "word/office_process.h"

#include "system/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace ostrel::word {
namespace {

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execChild(char* const* argv, char* const* envp, pid_t parent, int devNull) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
        _exit(127); // the parent ended before the death signal was armed
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (devNull >= 0) {
        dup2(devNull, STDIN_FILENO);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
    }
    close_range(3, ~0U, 0);
    execve(argv[0], argv, envp);
    _exit(127);
}

} // namespace

OfficeProcess::OfficeProcess(const std::vector<std::string>& arguments) {
    reaper_ = std::thread(&OfficeProcess::reap, this, arguments);
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
void OfficeProcess::reap(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    // Built before the fork: the child may not allocate.
    std::vector<std::string> environment = childEnvironment();
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        execChild(argv.data(), envp.data(), parent, devNull);
    }
    const int forkError = errno;
    if (devNull >= 0) {
        close(devNull);
    }
    {
        std::lock_guard lock(mutex_);
        started_ = true;
        pid_ = child;
        if (child < 0) {
            startError_ = std::string("cannot start the office: ") + std::strerror(forkError);
        }
    }
    changed_.notify_all();
    if (child < 0) {
        return;
    }
    setpgid(child, child);

    // Wait without reaping, so that the group id stays ours while helpers are killed.
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    {
        std::lock_guard lock(mutex_);
        exited_ = true; // from here on kill() leaves the id alone: it is about to be reaped
    }
    ::kill(-child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    {
        std::lock_guard lock(mutex_);
        status_ = status;
    }
    changed_.notify_all();
}

bool OfficeProcess::running() const {
    std::lock_guard lock(mutex_);
    return !status_.has_value();
}

std::optional<int> OfficeProcess::exitStatus() const {
    std::lock_guard lock(mutex_);
    return status_;
}

bool OfficeProcess::waitForExit(std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return status_.has_value(); });
}

void OfficeProcess::kill() {
    std::lock_guard lock(mutex_);
    if (!exited_) {
        ::kill(-pid_, SIGKILL); // the leader is not reaped yet, so the group id is still ours
        ::kill(pid_, SIGKILL);  // in case the child has not reached setpgid yet
    }
}

} // namespace ostrel::word
