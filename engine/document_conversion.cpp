#include "document_conversion.h"

#include "document_password.h"
#include "ghostscript_job.h"
#include "output_name.h"
#include "system/spool_folder.h"
#include "word_registration.h"

#include <QFile>
#include <QFileInfo>

#include <thread>

namespace ostrel {

namespace {

using namespace std::chrono_literals;

const QString kFailedCoInitialize = QStringLiteral("Failed to call Coinitialize()");
const QString kNoWordObject = QStringLiteral("Couldn't get Word object.");
const QString kAlreadyExists = QStringLiteral("%1 already exists. Do you want to replace it?");
const QString kNotSupported = QStringLiteral("Not Suppot File %1,Convert next file?");
const QString kNoPasswordGiven = QStringLiteral("not converted (no password given)");

// Our own reports of a document that failed after Word was started.
QString notConverted(const QString& sourcePath, const QString& reason) {
    return QStringLiteral("%1 was not converted: %2").arg(sourcePath, reason);
}
QString wordFailed(const QString& sourcePath, const QString& step) {
    return notConverted(sourcePath, QStringLiteral("Word failed %1.").arg(step));
}

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// The host answers Word's prompts from here until stop() or the end of the scope.
class PromptAnswering {
public:
    PromptAnswering(ConversionHost& host, bool wanted) : host_(wanted ? &host : nullptr) {
        if (host_ != nullptr) {
            host_->startPromptAnswerer();
        }
    }
    PromptAnswering(const PromptAnswering&) = delete;
    PromptAnswering& operator=(const PromptAnswering&) = delete;
    ~PromptAnswering() { stop(); }

    void stop() {
        if (host_ != nullptr) {
            std::exchange(host_, nullptr)->stopPromptAnswerer();
        }
    }

private:
    ConversionHost* host_;
};

// Reads the status until no background job is left; one pause follows each read made
// inside the loop, the read that answers 0 included.
// An abandoned run ends the wait with E_ABORT.
HRESULT waitForBackgroundPrinting(word::Application& word, const DocumentConverter::Sleep& sleep,
                                  ConversionHost& host) {
    LONG pending = 0;
    HRESULT status = word.backgroundPrintingStatus(pending);
    while (SUCCEEDED(status) && pending > 0) {
        status = word.backgroundPrintingStatus(pending);
        sleep(1000ms);
        if (!host.proceed()) {
            return E_ABORT;
        }
    }
    return status;
}

} // namespace

const QStringList& documentExtensions() {
    static const QStringList extensions{
        QStringLiteral("doc"), QStringLiteral("xls"), QStringLiteral("docx"), QStringLiteral("htm"),
        QStringLiteral("tml"), QStringLiteral("xml"), QStringLiteral("txt"),  QStringLiteral("rtf"),
        QStringLiteral("ppt"), QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("bmp"),
        QStringLiteral("gif"), QStringLiteral("png")};
    return extensions;
}

bool isAcceptedDocument(const QString& sourcePath) {
    const qsizetype dot = sourcePath.lastIndexOf(u'.');
    return dot >= 0 && documentExtensions().contains(sourcePath.mid(dot + 1).toLower());
}

DocumentConverter::DocumentConverter(ConversionHost& host, WordRun run)
    : host_(host), run_(run),
      sleep_([](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }) {
}

Outcome skippedExisting(const QString& pdfPath) {
    return {Outcome::Skipped, QStringLiteral("%1 already exists; skipped").arg(pdfPath), pdfPath};
}

Outcome DocumentConverter::fail(const QString& reason) {
    // Stopping ends the office: what fails then is the stop, not the document.
    if (!host_.proceed()) {
        return {};
    }
    host_.showMessage(reason);
    return {Outcome::Failed, reason, {}};
}

Outcome DocumentConverter::convertDocument(const QString& sourcePath,
                                           const ConversionOptions& options, ExistingPdf existing) {
    stages_ = {};
    Outcome outcome = attempt(sourcePath, options, existing);
    outcome.stages = stages_;
    return outcome;
}

Outcome DocumentConverter::attempt(const QString& sourcePath, const ConversionOptions& options,
                                   ExistingPdf existing) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        host_.showMessage(kFailedCoInitialize);
    }
    // A shared office holds one document at a time: the turn lasts until Word quits.
    Turn turn = officeTurn_ != nullptr ? Turn(*officeTurn_) : Turn();
    if (!host_.proceed()) {
        return {};
    }
    word::ensureServerRegistered();
    stages_.restart();
    word::Application word;
    if (FAILED(word::Application::create(word))) {
        return fail(kNoWordObject);
    }

    word::Documents documents;
    if (FAILED(word.setVisible(false)) ||
        FAILED(word.setActivePrinter(QString::fromLatin1(word::kPrinterName))) ||
        FAILED(word.documents(documents))) {
        word.quit();
        return fail(wordFailed(sourcePath, QStringLiteral("to start")));
    }
    stages_.mark(Stage::Office);

    const bool withPassword = run_ == WordRun::WithPasswordRetry;
    word::Document document;
    if (FAILED(documents.open(openedAs_.isEmpty() ? sourcePath : openedAs_,
                              withPassword ? std::optional(documentPassword()) : std::nullopt,
                              document))) {
        word.quit();
        documents.release();
        word.release();
        if (!withPassword) {
            return fail(wordFailed(sourcePath, QStringLiteral("to open it")));
        }
        // An abandoned run asks for no password: the open may have failed because of it.
        if (!host_.proceed()) {
            return {};
        }
        // Nobody waits for the office while the user types.
        if (turn.owns_lock()) {
            turn.unlock();
        }
        return retryWithPassword(sourcePath, options, existing);
    }
    stages_.mark(Stage::Open);
    if (!host_.proceed()) {
        abandon(word, document);
        return {};
    }

    return printAndMakePdf(word, document, sourcePath, options, existing, turn);
}

Outcome DocumentConverter::printAndMakePdf(word::Application& word, word::Document& document,
                                           const QString& sourcePath,
                                           const ConversionOptions& options, ExistingPdf existing,
                                           Turn& turn) {
    // Word has the document: from here on it counts as converted unless a later step
    // fails. The spool folder stays ours until the PDF is made, so that no other
    // conversion replaces the spool file in between.
    std::optional<SpoolLock> spool;
    try {
        spool.emplace(SpoolFolder::locate());
    } catch (const std::exception& error) {
        word.quit();
        return fail(notConverted(sourcePath, QString::fromLocal8Bit(error.what())));
    }
    const QString spoolFile = QFile::decodeName(spool->folder().spoolFile().c_str());

    PromptAnswering answering(host_, run_ == WordRun::WithPasswordRetry);
    HRESULT status = document.printOut(spoolFile);
    if (SUCCEEDED(status)) {
        status = waitForBackgroundPrinting(word, sleep_, host_);
    }
    answering.stop();
    if (status == E_ABORT || !host_.proceed()) {
        abandon(word, document);
        return {};
    }
    if (FAILED(status)) {
        word.quit();
        return fail(wordFailed(sourcePath, QStringLiteral("to print it")));
    }
    stages_.mark(Stage::Export);

    if (turn.owns_lock()) {
        // The spool file is written: the office lets go and takes the next document.
        const std::optional<Outcome> closing = closeWord(word, document, sourcePath);
        stages_.mark(Stage::Close);
        turn.unlock();
        return closing ? *closing : makePdf(sourcePath, options, existing, *spool);
    }
    Outcome outcome = makePdf(sourcePath, options, existing, *spool);
    if (!host_.proceed()) {
        abandon(word, document);
        return {};
    }
    stages_.restart();
    const std::optional<Outcome> closing = closeWord(word, document, sourcePath);
    stages_.mark(Stage::Close);
    // The first failure stays the reason.
    return closing && outcome.converted() ? *closing : outcome;
}

Outcome DocumentConverter::makePdf(const QString& sourcePath, const ConversionOptions& options,
                                   ExistingPdf existing, const SpoolLock& spool) {
    const QString pdfPath = outputFilePath(options.destinationFolder, sourcePath);
    const JobResult job = runGhostscriptJob(
        options, {QFile::decodeName(spool.folder().spoolFile().c_str()), pdfPath, existing}, spool,
        [this] { return host_.proceed(); });
    stages_.add(job.stages);
    stages_.restart();
    if (!host_.proceed()) {
        return {};
    }
    if (!job.ok) {
        return fail(notConverted(sourcePath, job.reason));
    }
    return {Outcome::Converted, {}, pdfPath};
}

std::optional<Outcome> DocumentConverter::closeWord(word::Application& word,
                                                    word::Document& document,
                                                    const QString& sourcePath) {
    const HRESULT status = document.close();
    const HRESULT quitStatus = word.quit();
    if (FAILED(status) || FAILED(quitStatus)) {
        return fail(wordFailed(sourcePath, QStringLiteral("to close it")));
    }
    return std::nullopt;
}

void DocumentConverter::abandon(word::Application& word, word::Document& document) {
    document.close();
    word.quit();
}

Outcome DocumentConverter::retryWithPassword(const QString& sourcePath,
                                             const ConversionOptions& options,
                                             ExistingPdf existing) {
    const PasswordAnswer typed = host_.askDocumentPassword(fileNameOf(sourcePath));
    if (!typed.password) {
        return {Outcome::Failed, typed.refusal.isEmpty() ? kNoPasswordGiven : typed.refusal, {}};
    }
    // A new attempt with a new Word instance; it may ask again.
    const DocumentPasswordRetry retry(*typed.password);
    return attempt(sourcePath, options, existing);
}

Outcome DocumentConverter::convertEntry(const QString& sourcePath, int index, int count,
                                        const ConversionOptions& options) {
    if (!host_.proceed()) {
        return {};
    }
    const QString name = outputFileName(sourcePath);
    const QString outputPath = outputFilePath(options.destinationFolder, sourcePath);
    // The old file is replaced only by a whole new PDF, when that is done.
    ExistingPdf existing = ExistingPdf::Keep;
    if (QFileInfo::exists(outputPath)) {
        if (!host_.askYesNo(kAlreadyExists.arg(outputPath))) {
            host_.setProgress(index + 1, count, 1);
            return skippedExisting(outputPath);
        }
        existing = ExistingPdf::Replace;
    }
    const Outcome outcome = convertDocument(sourcePath, options, existing);
    if (outcome.converted()) {
        host_.setProgress(index + 1, count, 1);
        host_.addConvertedFile(name);
    }
    return outcome;
}

Outcome convertAddinDocument(ConversionHost& host, const QString& sourcePath,
                             const ConversionOptions& options) {
    const QString extension = sourcePath.mid(sourcePath.lastIndexOf(u'.') + 1);
    if (extension != u"doc" && extension != u"docx" && extension != u"dot") {
        host.showMessage(kNotSupported.arg(sourcePath));
        return {Outcome::Failed, kNotSupported.arg(sourcePath), {}};
    }
    Outcome outcome =
        DocumentConverter(host, WordRun::AddinDocument).convertDocument(sourcePath, options);
    outcome.pdfPath = outputFilePath(options.destinationFolder, sourcePath);
    return outcome;
}

} // namespace ostrel
