// ostrel-convert: converts files to PDF with the conversion engine, for scripts and
// servers. Exit status 0 when every file was converted, 1 when any was skipped or
// failed, 2 for a usage error, 128 plus the signal's number when SIGINT, SIGTERM or
// SIGHUP stopped the run.
#include "batch.h"
#include "cli_arguments.h"
#include "escaped_line.h"
#include "file_name_bytes.h"
#include "input_file.h"
#include "interruption.h"
#include "parallel_batch.h"
#include "postscript_converter.h"
#include "progress_line.h"
#include "result_output.h"
#include "word_converter.h"
#include "word_server_hold.h"

#include "system/spool_folder.h"

#include <QCoreApplication>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>
#include <variant>

namespace {

void writeLine(FILE* stream, const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// One line, whatever the file names in it hold: control characters are escaped (a
// line break in a name never splits the line), the bytes of names kept as they are.
void printLine(FILE* stream, const QString& line) {
    writeLine(stream, ostrel::fileNameBytes(ostrel::cli::escapedLine(line)));
}

// The question goes to the terminal; only "y" or "yes" replaces.
bool askOnTerminal(const QString& question) {
    std::fputs((question + QStringLiteral(" [y/N] ")).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    const QString answer = ostrel::cli::readInputLine().value_or(QString()).trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

// The spool files of this run's folder and of the workers of --jobs.
void removeSpoolFiles(int jobs) {
    try {
        const ostrel::SpoolFolder spool = ostrel::SpoolFolder::locate();
        ostrel::removeSpoolFileIfFree(spool);
        for (int worker = 1; worker <= jobs * ostrel::cli::kLanesPerJob; ++worker) {
            const auto folder = spool.path() / ostrel::cli::workerSpoolName(worker);
            std::error_code error;
            if (std::filesystem::is_directory(folder, error)) {
                ostrel::removeSpoolFileIfFree(ostrel::SpoolFolder(folder));
            }
        }
    } catch (const std::exception&) {
        // No spool folder of ours: nothing to remove.
    }
}

// The request on the command line, or the exit status when there is nothing to convert:
// no arguments, a usage error, --help or --version.
std::variant<ostrel::cli::Request, int> readRequest(int argc, char* argv[]) {
    using namespace ostrel::cli;
    // Taken as bytes: a file name that is not UTF-8 must name the same file again.
    QStringList arguments;
    for (int index = 1; index < argc; ++index) {
        arguments << ostrel::fileNameText(QByteArray(argv[index]));
    }
    if (arguments.isEmpty()) {
        std::fputs(usageText().toLocal8Bit().constData(), stderr);
        return 2;
    }
    auto parsed = parseArguments(arguments);
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        printLine(stderr, QStringLiteral("ostrel-convert: ") + error->message);
        return 2;
    }
    Request request = std::get<Request>(std::move(parsed));
    if (request.help || request.version) {
        std::fputs((request.help ? usageText() : versionText()).toLocal8Bit().constData(), stdout);
        return 0;
    }
    // Asking needs someone to answer: elsewhere an existing PDF is kept.
    if (request.overwrite == Overwrite::Ask && ::isatty(STDIN_FILENO) == 0) {
        request.overwrite = Overwrite::No;
    }
    return request;
}

// Results go to standard output; problems, questions and the status line to standard
// error, the status line cleared before anything else is written there.
ostrel::cli::BatchConsole terminalConsole(ostrel::cli::ProgressLine& progress,
                                          ostrel::cli::ResultOutput& results) {
    using namespace ostrel::cli;
    return BatchConsole{[&](const FileResult& result) {
                            progress.clear();
                            results.add(result);
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
                            progress.show(number, count, file,
                                          ostrel::isAcceptedDocument(file)
                                              ? QStringLiteral("the office is starting")
                                              : QStringLiteral("Ghostscript is making the PDF"));
                        }};
}

// Converts the request's files, several at once when there are several; the exit status.
int convertFiles(const ostrel::cli::Request& request, int jobs,
                 const ostrel::cli::PasswordSource& passwords, ostrel::cli::ProgressLine& progress,
                 const ostrel::cli::BatchConsole& console) {
    using namespace ostrel::cli;
    // The office is started ahead of the first document and kept for the next ones, but
    // only for documents that will reach it.
    const bool documentsListed =
        std::any_of(request.files.begin(), request.files.end(), [](const QString& file) {
            return ostrel::isAcceptedDocument(file) && !ostrel::inputProblem(file);
        });
    if (request.files.size() > 1) {
        // Workers at once: the status line names the file started last.
        return runParallelBatch(
            request, jobs, documentsListed,
            [&passwords](std::mutex& officeTurn) {
                ConverterSet converters;
                converters.push_back(std::make_unique<PostScriptConverter>());
                converters.push_back(
                    std::make_unique<WordDocumentConverter>(passwords, &officeTurn));
                return converters;
            },
            console);
    }
    std::optional<ostrel::word::ServerHold> office;
    if (documentsListed) {
        office.emplace();
    }
    PostScriptConverter postScript;
    WordDocumentConverter documents(passwords);
    documents.setProgressLine(&progress);
    const std::vector<FileConverter*> converters{&postScript, &documents};
    return runBatch(request, converters, console);
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace ostrel::cli;
    const Interruption interruption; // before any thread starts
    // An office that ends while we write to its pipe (ended by an interrupt, or crashed)
    // fails that call; SIGPIPE would end this program with nothing reported or cleaned.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    const auto read = readRequest(argc, argv);
    if (const int* status = std::get_if<int>(&read)) {
        return *status;
    }
    const Request& request = std::get<Request>(read);

    // Only a terminal user watches a status line; scripts get the lines they always got.
    ProgressLine progress(STDERR_FILENO, !request.quiet && ::isatty(STDERR_FILENO) != 0);
    const PasswordSource passwords{request.documentPassword, ::isatty(STDIN_FILENO) != 0};
    ResultOutput results(request, [](const QByteArray& line) { writeLine(stdout, line); });
    const BatchConsole console = terminalConsole(progress, results);
    // Every conversion needs the spool folder: one that would be refused is said at once,
    // before any office starts.
    try {
        (void)ostrel::SpoolFolder::locate();
    } catch (const std::exception& error) {
        console.problem(QString::fromLocal8Bit(error.what()));
        return 1;
    }
    const int jobs = request.jobs > 0 ? request.jobs : defaultJobCount(request.files.size());
    const int status = convertFiles(request, jobs, passwords, progress, console);
    removeSpoolFiles(jobs);
    results.finish(status >= 128 ? status - 128 : 0);
    return status;
}
