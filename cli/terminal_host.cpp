#include "terminal_host.h"

#include "prompts/pending_prompts.h"

#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

namespace ostrel::cli {

namespace {

using namespace std::chrono_literals;

const std::string wordPromptTitle = "Microsoft Office Word";

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
        answerPrompt(wordPromptTitle, kPromptYes);
    }
}

std::optional<QString> readPasswordFromTerminal(const QString& prompt) {
    std::cerr << prompt.toStdString() << std::flush;
    std::string line;
    bool read = false;
    {
        const EchoOff echoOff;
        read = static_cast<bool>(std::getline(std::cin, line));
    }
    std::cerr << '\n';
    if (!read) {
        return std::nullopt;
    }
    return QString::fromStdString(line);
}

void TerminalHost::beginDocument() {
    messages_.clear();
    givenOffered_ = false;
}

std::optional<QString> TerminalHost::askDocumentPassword(const QString& fileName) {
    if (passwords_.given) {
        // The given password was tried already: asking again would only repeat it.
        if (std::exchange(givenOffered_, true)) {
            showMessage(
                QStringLiteral("the given document password does not open %1").arg(fileName));
            return std::nullopt;
        }
        return passwords_.given;
    }
    if (passwords_.terminal) {
        return readPasswordFromTerminal(
            QStringLiteral("%1 could not be opened. Its password (Ctrl-D to skip it): ")
                .arg(fileName));
    }
    showMessage(QStringLiteral("%1 could not be opened (protected by a password, damaged, or "
                               "not a document the office reads) and there is no terminal to "
                               "ask for a password (--document-password-file or "
                               "OSTREL_DOCUMENT_PASSWORD give one)")
                    .arg(fileName));
    return std::nullopt;
}

} // namespace ostrel::cli
