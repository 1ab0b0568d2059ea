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

const QString failedCoInitialize = QStringLiteral("Failed to call Coinitialize()");
const QString noWordObject = QStringLiteral("Couldn't get Word object.");
const QString alreadyExists = QStringLiteral("%1 already exists. Do you want to replace it?");
const QString notSupported = QStringLiteral("Not Suppot File %1,Convert next file?");

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

bool DocumentConverter::convertDocument(const QString& sourcePath, const ConversionOptions& options,
                                        ExistingPdf existing) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        host_.showMessage(failedCoInitialize);
    }
    if (!host_.proceed()) {
        return false;
    }
    word::ensureServerRegistered();
    word::Application word;
    if (FAILED(word::Application::create(word))) {
        host_.showMessage(noWordObject);
        return false;
    }

    word::Documents documents;
    if (FAILED(word.setVisible(false)) ||
        FAILED(word.setActivePrinter(QString::fromLatin1(word::printerName))) ||
        FAILED(word.documents(documents))) {
        word.quit();
        host_.showMessage(wordFailed(sourcePath, QStringLiteral("to start")));
        return false;
    }

    const bool withPassword = run_ == WordRun::WithPasswordRetry;
    word::Document document;
    if (FAILED(documents.open(sourcePath,
                              withPassword ? std::optional(documentPassword()) : std::nullopt,
                              document))) {
        word.quit();
        documents.release();
        word.release();
        if (!withPassword) {
            host_.showMessage(wordFailed(sourcePath, QStringLiteral("to open it")));
            return false;
        }
        // An abandoned run asks for no password: the open may have failed because of it.
        if (!host_.proceed()) {
            return false;
        }
        return retryWithPassword(sourcePath, options, existing);
    }
    if (!host_.proceed()) {
        abandon(word, document);
        return false;
    }

    return printAndMakePdf(word, document, sourcePath, options, existing);
}

bool DocumentConverter::printAndMakePdf(word::Application& word, word::Document& document,
                                        const QString& sourcePath, const ConversionOptions& options,
                                        ExistingPdf existing) {
    // Word has the document: from here on it counts as converted unless a later step
    // fails. The spool folder stays ours until Word has let go of the document, so that
    // no other conversion replaces the spool file in between.
    std::optional<SpoolLock> spool;
    try {
        spool.emplace(SpoolFolder::locate());
    } catch (const std::exception& error) {
        word.quit();
        host_.showMessage(notConverted(sourcePath, QString::fromLocal8Bit(error.what())));
        return false;
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
        return false;
    }
    if (FAILED(status)) {
        word.quit();
        host_.showMessage(wordFailed(sourcePath, QStringLiteral("to print it")));
        return false;
    }

    bool converted = true;
    const JobResult job = runGhostscriptJob(
        options, {spoolFile, outputFilePath(options.destinationFolder, sourcePath), existing},
        *spool, [this] { return host_.proceed(); });
    if (!host_.proceed()) {
        abandon(word, document);
        return false;
    }
    if (!job.ok) {
        host_.showMessage(notConverted(sourcePath, job.reason));
        converted = false;
    }

    status = document.close();
    const HRESULT quitStatus = word.quit();
    if (FAILED(status) || FAILED(quitStatus)) {
        host_.showMessage(wordFailed(sourcePath, QStringLiteral("to close it")));
        converted = false;
    }
    return converted;
}

void DocumentConverter::abandon(word::Application& word, word::Document& document) {
    document.close();
    word.quit();
}

bool DocumentConverter::retryWithPassword(const QString& sourcePath,
                                          const ConversionOptions& options, ExistingPdf existing) {
    const std::optional<QString> typed = host_.askDocumentPassword(fileNameOf(sourcePath));
    if (!typed) {
        return false;
    }
    // A new attempt with a new Word instance; it may ask again.
    const DocumentPasswordRetry retry(*typed);
    return convertDocument(sourcePath, options, existing);
}

EntryOutcome DocumentConverter::convertEntry(const QString& sourcePath, int index, int count,
                                             const ConversionOptions& options) {
    if (!host_.proceed()) {
        return EntryOutcome::NotConverted;
    }
    const QString name = outputFileName(sourcePath);
    const QString outputPath = outputFilePath(options.destinationFolder, sourcePath);
    // The old file is replaced only by a whole new PDF, when that is done.
    ExistingPdf existing = ExistingPdf::Keep;
    if (QFileInfo::exists(outputPath)) {
        if (!host_.askYesNo(alreadyExists.arg(outputPath))) {
            host_.setProgress(index + 1, count, 1);
            return EntryOutcome::Skipped;
        }
        existing = ExistingPdf::Replace;
    }
    if (!convertDocument(sourcePath, options, existing)) {
        return EntryOutcome::NotConverted;
    }
    host_.setProgress(index + 1, count, 1);
    host_.addConvertedFile(name);
    return EntryOutcome::Converted;
}

AddinConversion convertAddinDocument(ConversionHost& host, const QString& sourcePath,
                                     const ConversionOptions& options) {
    const QString extension = sourcePath.mid(sourcePath.lastIndexOf(u'.') + 1);
    if (extension != u"doc" && extension != u"docx" && extension != u"dot") {
        host.showMessage(notSupported.arg(sourcePath));
        return {};
    }
    AddinConversion result;
    result.pdfPath = outputFilePath(options.destinationFolder, sourcePath);
    result.converted =
        DocumentConverter(host, WordRun::AddinDocument).convertDocument(sourcePath, options);
    return result;
}

} // namespace ostrel
