#include "interruption.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>

namespace ostrel::cli {
namespace {

std::atomic<int> arrived{0};
std::atomic<int> wakeFd{-1};

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

// The parent of a process, from /proc/PID/stat ("pid (name) state ppid ...").
pid_t parentOf(const std::filesystem::path& statFile) {
    std::ifstream in(statFile);
    std::string text;
    std::getline(in, text);
    const auto nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos || nameEnd + 4 >= text.size()) {
        return -1;
    }
    return static_cast<pid_t>(std::strtol(text.c_str() + nameEnd + 4, nullptr, 10));
}

// Kills every child of ours, with its process group when it leads one (the office
// does, with its helpers); their owners then see them end and reap them.
void endChildren() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos ||
            parentOf(entry.path() / "stat") != ::getpid()) {
            continue;
        }
        const auto child = static_cast<pid_t>(std::stol(name));
        ::kill(::getpgid(child) == child ? -child : child, SIGKILL);
    }
}

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

Interruption::Interruption() {
    const sigset_t set = stopSignals();
    if (::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) {
        fail("pthread_sigmask");
    }
    signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    const int wake = ::eventfd(0, EFD_CLOEXEC);
    if (signalFd_ < 0 || stopFd_ < 0 || wake < 0) {
        fail("signalfd");
    }
    wakeFd = wake;
    watcher_ = std::thread(&Interruption::watch, this);
}

Interruption::~Interruption() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stopFd_, &one, sizeof one);
    watcher_.join();
    ::close(wakeFd.exchange(-1));
    ::close(stopFd_);
    ::close(signalFd_);
    // The signals stay blocked: one that comes now must not kill a program that is
    // finishing in order.
}

void Interruption::watch() {
    pollfd waits[2] = {{signalFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    while (true) {
        // Once stopping, a child started just before the engine saw it is ended too.
        const int ready = ::poll(waits, 2, arrived.load() != 0 ? 200 : -1);
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if (ready > 0 && (waits[1].revents & POLLIN) != 0) {
            return;
        }
        signalfd_siginfo info{};
        if (ready > 0 && (waits[0].revents & POLLIN) != 0 &&
            ::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            int expected = 0;
            if (arrived.compare_exchange_strong(expected, static_cast<int>(info.ssi_signo))) {
                const std::uint64_t one = 1;
                [[maybe_unused]] const auto written = ::write(wakeFd, &one, sizeof one);
            }
        }
        if (arrived.load() != 0) {
            endChildren();
        }
    }
}

int Interruption::signal() {
    if (const int number = arrived.load(); number != 0) {
        return number;
    }
    // A signal the kernel holds for us counts at once. Sent to our whole process group
    // (Ctrl-C), it may end a child, and fail the conversion waiting on it, before the
    // watcher has read it: that failure must read as the stop, not as a failed file.
    sigset_t pending;
    sigemptyset(&pending);
    if (::sigpending(&pending) == 0) {
        for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
            if (sigismember(&pending, number) == 1) {
                return number;
            }
        }
    }
    return 0;
}

int Interruption::wakeDescriptor() {
    return wakeFd.load();
}

const char* signalName(int number) {
    switch (number) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

} // namespace ostrel::cli
