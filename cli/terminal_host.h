// The command line's side of a conversion: a document's password comes from the given
// password or the terminal, and pending "Microsoft Office Word" prompts are answered by a thread
// while the engine prints. Existing PDFs are settled by the per-file loop before the engine runs,
// so the engine never asks about them here.
#pragma once

#include "conversion_host.h"
#include "progress_line.h"

#include <QString>
#include <QStringList>

#include <condition_variable>
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

// One line of standard input without its line break; nothing at the end of input or
// once the run is interrupted.
std::optional<QString> readInputLine();

// Reads a password from the terminal without echo; nothing on end of input.
std::optional<QString> readPasswordFromTerminal(const QString& prompt);

class TerminalHost : public ConversionHost {
public:
    explicit TerminalHost(PasswordSource passwords) : passwords_(std::move(passwords)) {}

    // The terminal's status line: told what the office is doing, held while asking.
    void setProgressLine(ProgressLine* line) { progress_ = line; }

    // A new document: the given password may be offered once.
    void beginDocument() { givenOffered_ = false; }

    // The engine's messages tell why a document failed, which its outcome repeats for
    // the document's line (a failed CoInitialize, the one other, cannot happen on our
    // threads, which all take the apartment model).
    void showMessage(const QString&) override {}
    bool askYesNo(const QString&) override { return false; }
    PasswordAnswer askDocumentPassword(const QString& fileName) override;
    void setProgress(int, int, int) override {}
    void addConvertedFile(const QString&) override {}
    // The office prints between these two.
    void startPromptAnswerer() override;
    void stopPromptAnswerer() override;
    // False once SIGINT, SIGTERM or SIGHUP arrived.
    bool proceed() override;

private:
    PasswordSource passwords_;
    bool givenOffered_ = false;
    ProgressLine* progress_ = nullptr;
    PromptAnswererThread answerer_;
};

} // namespace ostrel::cli
