#include "batch.h"

#include "file_name_bytes.h"
#include "input_file.h"
#include "interruption.h"
#include "output_name.h"
#include "written_pdf.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <optional>
#include <sys/stat.h>

namespace ostrel::cli {
namespace {

FileConverter* converterFor(const QString& file, const std::vector<FileConverter*>& converters) {
    for (auto* converter : converters) {
        if (converter->accepts(file)) {
            return converter;
        }
    }
    return nullptr;
}

Outcome convertOne(const QString& file, const Request& request,
                   const std::vector<FileConverter*>& converters, const BatchConsole& console) {
    if (const auto problem = inputProblem(file)) {
        return {Outcome::Failed, *problem, {}};
    }
    const QString outputPath = outputFilePath(request.options.destinationFolder, file);
    // Asked to replace, a PDF that appears meanwhile is replaced too (the new one takes
    // its name in one step, never through a link standing there).
    ExistingPdf existing =
        request.overwrite == Overwrite::Yes ? ExistingPdf::Replace : ExistingPdf::Keep;
    struct stat standing {};
    if (::lstat(fileNameBytes(outputPath).constData(), &standing) == 0) {
        const bool replace =
            request.overwrite == Overwrite::Yes ||
            (request.overwrite == Overwrite::Ask &&
             console.askReplace(
                 QStringLiteral("%1 already exists. Do you want to replace it?").arg(outputPath)));
        if (!replace) {
            return skippedExisting(outputPath);
        }
        // A folder is never replaced; a file is, once the new PDF is whole.
        if (S_ISDIR(standing.st_mode)) {
            return {Outcome::Failed, QStringLiteral("Cannot replace %1").arg(outputPath), {}};
        }
        existing = ExistingPdf::Replace;
    }
    FileConverter* converter = converterFor(file, converters);
    if (converter == nullptr) {
        return {Outcome::Failed, QStringLiteral("Not a file type this program converts"), {}};
    }
    return converter->convert(file, outputPath, request.options, existing);
}

// "FILE: REASON", or the reason alone when it names the file first already.
QString problemLine(const QString& file, const QString& reason) {
    if (reason.startsWith(file + QLatin1Char(' '))) {
        return reason;
    }
    return QStringLiteral("%1: %2").arg(file, reason);
}

} // namespace

QString statusWord(Outcome::Kind kind) {
    switch (kind) {
    case Outcome::Converted:
        return QStringLiteral("converted");
    case Outcome::Skipped:
        return QStringLiteral("skipped");
    case Outcome::Failed:
        break;
    }
    return QStringLiteral("failed");
}

QString resultLine(const QString& file, const QString& result, double seconds) {
    return QStringLiteral("%1: %2, %3 s").arg(file, result, QString::number(seconds, 'f', 2));
}

QString stoppedLine(int signal, const QStringList& unfinished) {
    return QStringLiteral("stopped by %1; not finished: %2")
        .arg(QString::fromLatin1(signalName(signal)), unfinished.join(QStringLiteral(", ")));
}

int runBatch(const Request& request, const std::vector<FileConverter*>& converters,
             const BatchConsole& console) {
    const auto stopSignal = [&console] { return console.stoppedBy ? console.stoppedBy() : 0; };
    int status = 0;
    for (qsizetype index = 0; index < request.files.size(); ++index) {
        const QString& file = request.files[index];
        if (console.starting) {
            console.starting(static_cast<int>(index) + 1, static_cast<int>(request.files.size()),
                             file);
        }
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome =
            stopSignal() != 0 ? Outcome{} : convertOne(file, request, converters, console);
        if (const int signal = stopSignal(); signal != 0 && !outcome.converted()) {
            console.problem(stoppedLine(signal, request.files.mid(index)));
            return 128 + signal;
        }
        FileResult result{file, outputFilePath(request.options.destinationFolder, file),
                          outcome.kind, outcome.converted() ? QString() : outcome.reason};
        if (outcome.converted() && request.json) {
            const WrittenPdf written = writtenPdf(result.pdf, request.options);
            result.pages = written.pages;
            result.bytes = written.bytes;
        }
        result.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        result.stages = outcome.stages;
        if (!outcome.converted()) {
            status = 1;
            console.problem(problemLine(file, outcome.reason));
        }
        console.result(result);
    }
    return status;
}

} // namespace ostrel::cli
