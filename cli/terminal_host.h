// The command line's side of a conversion: messages go to standard error, the "already
// exists" question follows --overwrite, a document's password comes from the given
// password or the terminal, and pending "Microsoft Office Word" prompts are answered by
// a thread while the engine prints.
#pragma once

#include "conversion_host.h"

#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace ostrel::cli {

// Answers the oldest pending "Microsoft Office Word" prompt with Yes every 200 ms
// while it runs.
class PromptAnswererThread {
public:
    PromptAnswererThread() = default;
    PromptAnswererThread(const PromptAnswererThread&) = delete;
    PromptAnswererThread& operator=(const PromptAnswererThread&) = delete;
    ~PromptAnswererThread() { stop(); }

    void start();
    void stop();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

// Where a document password may come from.
struct PasswordSource {
    // --document-password-file or OSTREL_DOCUMENT_PASSWORD: offered once per document.
    std::optional<QString> given;
    // Whether the terminal may be asked (standard input is one).
    bool terminal = false;
};

// Reads a password from the terminal without echo; nothing on end of input.
std::optional<QString> readPasswordFromTerminal(const QString& prompt);

class TerminalHost : public ConversionHost {
public:
    using Question = std::function<bool(const QString& question)>;

    TerminalHost(Question askOverwrite, PasswordSource passwords);

    // A new document: the given password may be offered to it once.
    void beginDocument() { givenOffered_ = false; }

    void showMessage(const QString& text) override;
    bool askYesNo(const QString& question) override { return askOverwrite_(question); }
    std::optional<QString> askDocumentPassword(const QString& fileName) override;
    void setProgress(int, int, int) override {}
    void addConvertedFile(const QString&) override {}
    void startPromptAnswerer() override { answerer_.start(); }
    void stopPromptAnswerer() override { answerer_.stop(); }

private:
    Question askOverwrite_;
    PasswordSource passwords_;
    bool givenOffered_ = false;
    PromptAnswererThread answerer_;
};

} // namespace ostrel::cli
