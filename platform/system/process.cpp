#include "system/process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace ostrel {
namespace {

constexpr std::size_t kOutputLimit = 64 * 1024;

// Waits at most timeoutMs for the child to end, waking as soon as it does (a pidfd turns
// readable then); where the kernel has no pidfd, the whole time passes.
void waitForExitOf(pid_t pid, int timeoutMs) {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return;
    }
    pollfd entry{pidfd, POLLIN, 0};
    ::poll(&entry, 1, timeoutMs);
    ::close(pidfd);
}

// posix_spawn's attribute and file-action objects, released on every path.
class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawnattr_init(&attributes);
        ::posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawnattr_t attributes{};
    posix_spawn_file_actions_t actions{};
};

class Pipe {
public:
    Pipe() {
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            throw std::system_error(errno, std::generic_category(), "pipe");
        }
    }
    ~Pipe() {
        for (int fd : fds) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    int release(int end) { return std::exchange(fds[end], -1); }

    int fds[2] = {-1, -1};
};

// An open descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int openOrThrow(const char* path, int flags) {
    const int fd = ::open(path, flags | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), path);
    }
    return fd;
}

// What a forked child does before exec; everything prepared by the parent, since the
// child may only make async-signal-safe calls.
struct ForkedChild {
    char* const* argv;
    char* const* envp;
    bool searchPath;
    pid_t parent;
    bool group;
    int input;
    int output;        // -1: inherited
    const int* passed; // copies numbered above kPassedDescriptor + passedCount
    std::size_t passedCount;
    const char* folder; // null: ours
    int failure;        // where the errno of a failed start goes (close-on-exec)
};

[[noreturn]] void execForked(const ForkedChild& child) {
    if (child.group) {
        ::setpgid(0, 0);
    }
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != child.parent) {
        ::_exit(127); // the parent ended before the death signal was armed
    }
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int number = 1; number < NSIG; ++number) {
        ::sigaction(number, &defaults, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::dup2(child.input, STDIN_FILENO);
    if (child.output >= 0) {
        ::dup2(child.output, STDOUT_FILENO);
        ::dup2(child.output, STDERR_FILENO);
    }
    for (std::size_t i = 0; i < child.passedCount; ++i) {
        ::dup2(child.passed[i], kPassedDescriptor + static_cast<int>(i));
    }
    const auto firstUnpassed = kPassedDescriptor + static_cast<unsigned>(child.passedCount);
    // Everything else closes with the exec, the failure pipe included, so that its
    // reader sees the start succeed; where the kernel cannot, it closes now.
    if (::close_range(firstUnpassed, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        ::close_range(firstUnpassed, ~0U, 0);
    }
    if (child.folder == nullptr || ::chdir(child.folder) == 0) {
        if (child.searchPath) {
            ::execvpe(child.argv[0], child.argv, child.envp);
        } else {
            ::execve(child.argv[0], child.argv, child.envp);
        }
    }
    const int error = errno;
    [[maybe_unused]] const auto written = ::write(child.failure, &error, sizeof error);
    ::_exit(127);
}

void check(int result, const char* what) {
    if (result != 0) {
        throw std::system_error(result, std::generic_category(), what);
    }
}

ProcessExit fromStatus(int status) {
    ProcessExit exit;
    if (WIFEXITED(status)) {
        exit.exited = true;
        exit.code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        exit.signal = WTERMSIG(status);
    }
    return exit;
}

std::vector<char*> pointers(const std::vector<std::string>& texts) {
    std::vector<char*> result;
    result.reserve(texts.size() + 1);
    for (const auto& text : texts) {
        result.push_back(const_cast<char*>(text.c_str()));
    }
    result.push_back(nullptr);
    return result;
}

// posix_spawn with the standard streams given: no fork of a big parent's memory.
pid_t spawn(std::vector<char*>& arguments, std::vector<char*>& environment, bool searchPath,
            int input, int output, const std::vector<int>& passed, const ProcessOptions& options) {
    SpawnSetup setup;
    // The child starts with default signal handling and nothing blocked, whatever the
    // parent (a Qt program, a test runner) changed.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    check(::posix_spawnattr_setsigmask(&setup.attributes, &none), "posix_spawnattr_setsigmask");
    check(::posix_spawnattr_setsigdefault(&setup.attributes, &all),
          "posix_spawnattr_setsigdefault");
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (options.newProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        check(::posix_spawnattr_setpgroup(&setup.attributes, 0), "posix_spawnattr_setpgroup");
    }
    check(::posix_spawnattr_setflags(&setup.attributes, flags), "posix_spawnattr_setflags");
    check(::posix_spawn_file_actions_adddup2(&setup.actions, input, STDIN_FILENO),
          "posix_spawn_file_actions_adddup2");
    if (output >= 0) {
        check(::posix_spawn_file_actions_adddup2(&setup.actions, output, STDOUT_FILENO),
              "posix_spawn_file_actions_adddup2");
        check(::posix_spawn_file_actions_adddup2(&setup.actions, output, STDERR_FILENO),
              "posix_spawn_file_actions_adddup2");
    }
    for (std::size_t i = 0; i < passed.size(); ++i) {
        check(::posix_spawn_file_actions_adddup2(&setup.actions, passed[i],
                                                 kPassedDescriptor + static_cast<int>(i)),
              "posix_spawn_file_actions_adddup2");
    }
    if (!options.workingDirectory.empty()) {
        check(::posix_spawn_file_actions_addchdir_np(&setup.actions,
                                                     options.workingDirectory.c_str()),
              "posix_spawn_file_actions_addchdir_np");
    }
    pid_t pid = -1;
    const int result = searchPath
                           ? ::posix_spawnp(&pid, arguments.front(), &setup.actions,
                                            &setup.attributes, arguments.data(), environment.data())
                           : ::posix_spawn(&pid, arguments.front(), &setup.actions,
                                           &setup.attributes, arguments.data(), environment.data());
    if (result != 0) {
        throw std::system_error(result, std::generic_category(), arguments.front());
    }
    return pid;
}

} // namespace

std::vector<std::string> childEnvironment() {
    static const std::string_view hidden[] = {
        "OSTREL_USER_PASSWORD=", "OSTREL_OWNER_PASSWORD=", "OSTREL_DOCUMENT_PASSWORD="};
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        if (std::none_of(std::begin(hidden), std::end(hidden),
                         [text](std::string_view name) { return text.starts_with(name); })) {
            result.emplace_back(text);
        }
    }
    return result;
}

std::vector<std::string> childEnvironment(const std::filesystem::path& temporaryFolder) {
    std::vector<std::string> result = childEnvironment();
    std::erase_if(result, [](const std::string& entry) {
        return entry.starts_with("TMPDIR=") || entry.starts_with("TMP=") ||
               entry.starts_with("TEMP=");
    });
    for (const char* name : {"TMPDIR=", "TMP=", "TEMP="}) {
        result.push_back(name + temporaryFolder.string());
    }
    return result;
}

std::string ProcessExit::describe() const {
    return exited ? "exit code " + std::to_string(code) : "signal " + std::to_string(signal);
}

Process Process::start(const std::vector<std::string>& argv, const ProcessOptions& options) {
    if (argv.empty() || argv.front().empty()) {
        throw std::system_error(EINVAL, std::generic_category(), "no program to start");
    }
    const Descriptor input(openOrThrow("/dev/null", O_RDONLY));
    std::optional<Pipe> pipe;
    std::optional<Descriptor> file;
    int output = -1;
    if (options.captureOutput) {
        output = pipe.emplace().fds[1];
    } else if (!options.outputFile.empty()) {
        file.emplace(openOrThrow(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND));
        output = file->get();
    }
    auto arguments = pointers(argv);
    const std::vector<std::string> environmentTexts =
        options.environment ? *options.environment : childEnvironment();
    std::vector<char*> environment = pointers(environmentTexts);
    const bool searchPath = argv.front().find('/') == std::string::npos;
    // Copies numbered above every target, so that placing one never overwrites another.
    std::vector<Descriptor> copies;
    std::vector<int> passed;
    for (const int descriptor : options.passedDescriptors) {
        const int copy =
            ::fcntl(descriptor, F_DUPFD_CLOEXEC,
                    kPassedDescriptor + static_cast<int>(options.passedDescriptors.size()));
        if (copy < 0) {
            throw std::system_error(errno, std::generic_category(), "passed descriptor");
        }
        copies.emplace_back(copy);
        passed.push_back(copy);
    }

    pid_t pid = -1;
    if (options.diesWithStartingThread) {
        // The child tells why it could not start through this pipe, whose write end is
        // numbered above the passed descriptors' places; it closes unread when the
        // program runs.
        Pipe failure;
        const int failureEnd = ::fcntl(failure.fds[1], F_DUPFD_CLOEXEC,
                                       kPassedDescriptor + static_cast<int>(passed.size()));
        ::close(failure.release(1));
        if (failureEnd < 0) {
            throw std::system_error(errno, std::generic_category(), "fcntl");
        }
        failure.fds[1] = failureEnd;
        const ForkedChild child{arguments.data(),
                                environment.data(),
                                searchPath,
                                ::getpid(),
                                options.newProcessGroup,
                                input.get(),
                                output,
                                passed.data(),
                                passed.size(),
                                options.workingDirectory.empty() ? nullptr
                                                                 : options.workingDirectory.c_str(),
                                failureEnd};
        pid = ::fork();
        if (pid == 0) {
            execForked(child);
        }
        if (pid < 0) {
            throw std::system_error(errno, std::generic_category(), argv.front());
        }
        if (options.newProcessGroup) {
            ::setpgid(pid, pid); // also here: signals to the group must not miss it
        }
        ::close(failure.release(1));
        int error = 0;
        ssize_t got = -1;
        do {
            got = ::read(failure.fds[0], &error, sizeof error);
        } while (got < 0 && errno == EINTR);
        if (got == static_cast<ssize_t>(sizeof error)) {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            throw std::system_error(error, std::generic_category(), argv.front());
        }
    } else {
        pid = spawn(arguments, environment, searchPath, input.get(), output, passed, options);
    }
    Process process;
    process.pid_ = pid;
    process.group_ = options.newProcessGroup;
    if (pipe) {
        process.outputFd_ = pipe->release(0);
    }
    return process;
}

Process::Process(Process&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), group_(other.group_),
      outputFd_(std::exchange(other.outputFd_, -1)), output_(std::move(other.output_)),
      exit_(std::move(other.exit_)) {
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        reset();
        pid_ = std::exchange(other.pid_, -1);
        group_ = other.group_;
        outputFd_ = std::exchange(other.outputFd_, -1);
        output_ = std::move(other.output_);
        exit_ = std::move(other.exit_);
    }
    return *this;
}

Process::~Process() {
    reset();
}

void Process::reset() noexcept {
    if (pid_ > 0 && !exit_) {
        signal(SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    closeOutput();
    pid_ = -1;
    exit_.reset();
}

void Process::signal(int number) noexcept {
    if (pid_ <= 0 || exit_) {
        return;
    }
    ::kill(group_ ? -pid_ : pid_, number);
}

void Process::terminate() {
    signal(SIGTERM);
}
void Process::kill() {
    signal(SIGKILL);
}

void Process::closeOutput() noexcept {
    if (outputFd_ >= 0) {
        ::close(outputFd_);
        outputFd_ = -1;
    }
}

// Reads what the child wrote, waiting at most timeoutMs for the first bytes.
// The pipe closes when the child (and every process that inherited it) ends.
void Process::drainOutput(int timeoutMs) {
    if (outputFd_ < 0) {
        return;
    }
    pollfd entry{outputFd_, POLLIN, 0};
    int ready = ::poll(&entry, 1, timeoutMs);
    while (ready > 0) {
        char buffer[4096];
        const ssize_t count = ::read(outputFd_, buffer, sizeof buffer);
        if (count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN)) {
            closeOutput();
            return;
        }
        if (count > 0) {
            output_.append(buffer, static_cast<std::size_t>(count));
            if (output_.size() > kOutputLimit) {
                output_.erase(0, output_.size() - kOutputLimit);
            }
        }
        ready = ::poll(&entry, 1, 0);
    }
}

bool Process::reap(bool block) {
    if (exit_) {
        return true;
    }
    int status = 0;
    pid_t result = 0;
    do {
        result = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == pid_) {
        exit_ = fromStatus(status);
        return true;
    }
    if (result < 0) {
        exit_ = ProcessExit{}; // not our child any more; nothing left to wait for
        return true;
    }
    return false;
}

ProcessExit Process::wait() {
    while (outputFd_ >= 0) {
        drainOutput(-1);
    }
    reap(true);
    return *exit_;
}

std::optional<ProcessExit> Process::waitFor(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (reap(false)) {
            while (outputFd_ >= 0) {
                drainOutput(-1);
            }
            return exit_;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        const int slice = static_cast<int>(std::min<long long>(left.count(), 20));
        if (outputFd_ >= 0) {
            drainOutput(slice);
        } else {
            waitForExitOf(pid_, slice);
        }
    }
}

} // namespace ostrel
