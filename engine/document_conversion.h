// Converting one document: Word prints it to the spool file, Ghostscript makes the PDF,
// Word is closed again. One Word instance per attempt; the host answers the questions.
#pragma once

#include "conversion_host.h"
#include "conversion_options.h"
#include "pending_pdf.h"
#include "stage_times.h"
#include "system/spool_folder.h"
#include "word_automation.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

namespace ostrel {

// The desktop program and the command line run the full sequence; the add-in's run
// opens without a password, has no password retry and no prompt answerer.
enum class WordRun { WithPasswordRetry, AddinDocument };

// The file-name extensions of the documents a run takes (lower case, no dot), in the
// order the desktop program lists them.
const QStringList& documentExtensions();
// Whether the path's extension, in any case, is one of them.
bool isAcceptedDocument(const QString& sourcePath);

// How the conversion of one document ended. reason says why it was skipped or failed,
// in one line (the text the user was shown when the engine showed one); it is empty when
// the run was abandoned. pdfPath is the PDF's path once known; stages, where the time
// went.
struct Outcome {
    enum Kind { Converted, Skipped, Failed };

    Outcome() = default;
    Outcome(Kind how, QString why, QString pdf = {})
        : kind(how), reason(std::move(why)), pdfPath(std::move(pdf)) {}

    Kind kind = Failed;
    QString reason;
    QString pdfPath;
    StageTimes stages;

    bool converted() const { return kind == Converted; }
};

// An existing PDF the user chose to keep.
Outcome skippedExisting(const QString& pdfPath);

class DocumentConverter {
public:
    using Sleep = std::function<void(std::chrono::milliseconds)>;

    explicit DocumentConverter(ConversionHost& host, WordRun run = WordRun::WithPasswordRetry);

    // Replaces the pause between two reads of Word's background printing status.
    void setSleep(Sleep sleep) { sleep_ = std::move(sleep); }

    // The office opens `path` (a link to the document, with a name it can read) in place
    // of the document's own path; an empty text ends that. Reports and the PDF's name
    // still come from the document's path.
    void openAs(const QString& path) { openedAs_ = path; }

    // Converters that share `turn` share one office and take turns in it: the office
    // closes the document and quits as soon as the spool file is written, and the next
    // document enters it while Ghostscript makes this one's PDF. Without a turn, Word
    // keeps the document open until the PDF is made.
    void shareOffice(std::mutex* turn) { officeTurn_ = turn; }

    // The Word sequence, the Ghostscript job into options.destinationFolder and Word's
    // clean-up. A PDF of that name is replaced only by a whole new one, and only as
    // `existing` allows.
    Outcome convertDocument(const QString& sourcePath, const ConversionOptions& options,
                            ExistingPdf existing = ExistingPdf::Replace);

    // One entry (index from 0) of a run of count documents: the "already exists"
    // question, the conversion, progress and the converted name.
    Outcome convertEntry(const QString& sourcePath, int index, int count,
                         const ConversionOptions& options);

private:
    using Turn = std::unique_lock<std::mutex>;

    // Shows the reason of a failure and returns it as the outcome.
    Outcome fail(const QString& reason);
    // One attempt with one Word instance; a password retry makes another.
    Outcome attempt(const QString& sourcePath, const ConversionOptions& options,
                    ExistingPdf existing);
    Outcome printAndMakePdf(word::Application& word, word::Document& document,
                            const QString& sourcePath, const ConversionOptions& options,
                            ExistingPdf existing, Turn& turn);
    // The Ghostscript job on the printed spool file.
    Outcome makePdf(const QString& sourcePath, const ConversionOptions& options,
                    ExistingPdf existing, const SpoolLock& spool);
    // Word closes the document and quits; the failure when either failed.
    std::optional<Outcome> closeWord(word::Application& word, word::Document& document,
                                     const QString& sourcePath);
    // The run was abandoned: Word lets go of the document and ends.
    static void abandon(word::Application& word, word::Document& document);
    Outcome retryWithPassword(const QString& sourcePath, const ConversionOptions& options,
                              ExistingPdf existing);

    ConversionHost& host_;
    WordRun run_;
    Sleep sleep_;
    QString openedAs_;
    std::mutex* officeTurn_ = nullptr;
    StageTimes stages_; // of the document in hand, over all its attempts
};

// The add-in's run for one document: only "doc", "docx" and "dot" pass (exact case);
// no output-file question. Every reason of a failure is shown to the user.
Outcome convertAddinDocument(ConversionHost& host, const QString& sourcePath,
                             const ConversionOptions& options);

} // namespace ostrel
