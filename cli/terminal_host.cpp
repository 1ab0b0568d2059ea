#include "terminal_host.h"

#include "document_password.h"

#include "contract/word.h"
#include "interruption.h"
#include "prompts/pending_prompts.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

namespace ostrel::cli {

namespace {

using namespace std::chrono_literals;

// Turns the terminal's echo off for as long as it lives.
class EchoOff {
public:
    EchoOff() {
        if (tcgetattr(STDIN_FILENO, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    ~EchoOff() {
        if (active_) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
        }
    }

private:
    termios saved_{};
    bool active_ = false;
};

} // namespace

void PromptAnswererThread::start() {
    stop();
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void PromptAnswererThread::stop() {
    if (!thread_.joinable()) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PromptAnswererThread::run() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, 200ms, [this] { return stopping_; })) {
        answerPrompt(word::kPromptTitle, kPromptYes);
    }
}

std::optional<QString> readInputLine() {
    std::string line;
    while (true) {
        pollfd waits[2] = {{STDIN_FILENO, POLLIN, 0}, {Interruption::wakeDescriptor(), POLLIN, 0}};
        const int ready = ::poll(waits, waits[1].fd >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || Interruption::signal() != 0) {
            return std::nullopt;
        }
        char c = 0;
        const ssize_t count = ::read(STDIN_FILENO, &c, 1);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return std::nullopt;
        }
        if (c == '\n') {
            return QString::fromStdString(line);
        }
        line += c;
    }
}

std::optional<QString> readPasswordFromTerminal(const QString& prompt) {
    // Workers converting at once ask one at a time.
    static std::mutex terminal;
    const std::lock_guard lock(terminal);
    std::cerr << prompt.toStdString() << std::flush;
    std::optional<QString> line;
    {
        const EchoOff echoOff;
        line = readInputLine();
    }
    std::cerr << '\n';
    return line;
}

bool TerminalHost::proceed() {
    return Interruption::signal() == 0;
}

PasswordAnswer TerminalHost::askDocumentPassword(const QString& fileName) {
    if (passwords_.given) {
        // The given password was tried already: asking again would only repeat it.
        if (std::exchange(givenOffered_, true)) {
            return {std::nullopt,
                    QStringLiteral("the given document password does not open %1").arg(fileName)};
        }
        return {passwords_.given, {}};
    }
    if (passwords_.terminal) {
        const ProgressLine::Hold hold(progress_);
        // Asked while a typed password is being tried: that one did not open it.
        const bool again = documentPassword() != kPlaceholderPassword;
        return {readPasswordFromTerminal(
                    (again ? QStringLiteral("The password does not open %1. Its password "
                                            "(Ctrl-D to skip it): ")
                           : QStringLiteral(
                                 "%1 could not be opened. Its password (Ctrl-D to skip it): "))
                        .arg(fileName)),
                {}};
    }
    return {std::nullopt,
            QStringLiteral("%1 could not be opened (protected by a password, damaged, or not a "
                           "document the office reads) and there is no terminal to ask for a "
                           "password (--document-password-file or OSTREL_DOCUMENT_PASSWORD give "
                           "one)")
                .arg(fileName)};
}

void TerminalHost::startPromptAnswerer() {
    answerer_.start();
    if (progress_ != nullptr) {
        progress_->setActivity(QStringLiteral("the office is printing"));
    }
}

void TerminalHost::stopPromptAnswerer() {
    answerer_.stop();
    if (progress_ != nullptr) {
        progress_->setActivity(QStringLiteral("Ghostscript is making the PDF"));
    }
}

} // namespace ostrel::cli
