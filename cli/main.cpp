// ostrel-convert: converts files to PDF with the conversion engine, for scripts and
// servers. Exit status 0 when every file was converted, 1 when any was skipped or
// failed, 2 for a usage error, 128 plus the signal's number when SIGINT, SIGTERM or
// SIGHUP stopped the run.
#include "batch.h"
#include "cli_arguments.h"
#include "interruption.h"
#include "postscript_converter.h"
#include "progress_line.h"
#include "word_converter.h"

#include "system/spool_folder.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

namespace {

void printLine(FILE* stream, const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// The question goes to the terminal; only "y" or "yes" replaces.
bool askOnTerminal(const QString& question) {
    std::fputs((question + QStringLiteral(" [y/N] ")).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    const QString answer = ostrel::cli::readInputLine().value_or(QString()).trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

// The spool file may hold the printed text of a password-protected document: it goes
// after the run, unless another conversion is using the spool folder right now (whose
// office replaces it).
void removeSpoolFile() {
    try {
        if (const auto lock = ostrel::SpoolLock::tryAcquire(ostrel::SpoolFolder::locate())) {
            ::unlink(lock->folder().spoolFile().c_str());
        }
    } catch (const std::exception&) {
        // No spool folder of ours: nothing to remove.
    }
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace ostrel::cli;
    const Interruption interruption; // before any thread starts
    QCoreApplication application(argc, argv);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (arguments.isEmpty()) {
        std::fputs(usageText().toLocal8Bit().constData(), stderr);
        return 2;
    }
    auto parsed = parseArguments(arguments);
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        printLine(stderr, QStringLiteral("ostrel-convert: ") + error->message);
        return 2;
    }
    Request& request = std::get<Request>(parsed);
    if (request.help || request.version) {
        std::fputs((request.help ? usageText() : versionText()).toLocal8Bit().constData(), stdout);
        return 0;
    }
    // Asking needs someone to answer: elsewhere an existing PDF is kept.
    if (request.overwrite == Overwrite::Ask && ::isatty(STDIN_FILENO) == 0) {
        request.overwrite = Overwrite::No;
    }

    // Only a terminal user watches a status line; scripts get the lines they always got.
    ProgressLine progress(STDERR_FILENO, !request.quiet && ::isatty(STDERR_FILENO) != 0);
    PostScriptConverter postScript;
    WordDocumentConverter documents({request.documentPassword, ::isatty(STDIN_FILENO) != 0});
    documents.setProgressLine(&progress);
    const std::vector<FileConverter*> converters{&postScript, &documents};
    const BatchConsole console{[&](const QString& line) {
                                   progress.clear();
                                   printLine(stdout, line);
                               },
                               [&](const QString& line) {
                                   progress.clear();
                                   printLine(stderr, QStringLiteral("ostrel-convert: ") + line);
                               },
                               [&](const QString& question) {
                                   const ProgressLine::Hold hold(&progress);
                                   return askOnTerminal(question);
                               },
                               Interruption::signal,
                               [&](int number, int count, const QString& file) {
                                   progress.show(
                                       number, count, file,
                                       documents.accepts(file)
                                           ? QStringLiteral("the office is starting")
                                           : QStringLiteral("Ghostscript is making the PDF"));
                               }};
    const int status = runBatch(request, converters, console);
    removeSpoolFile();
    return status;
}
