// ostrel-convert: converts files to PDF with the conversion engine, for scripts and
// servers. Exit status 0 when every file was converted, 1 when any was skipped or
// failed, 2 for a usage error.
#include "batch.h"
#include "cli_arguments.h"
#include "postscript_converter.h"
#include "word_converter.h"

#include <QCoreApplication>
#include <QTextStream>
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
    QTextStream input(stdin);
    const QString answer = input.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    using namespace ostrel::cli;

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
    // Asking needs someone to answer: elsewhere an existing PDF is kept.
    if (request.overwrite == Overwrite::Ask && ::isatty(STDIN_FILENO) == 0) {
        request.overwrite = Overwrite::No;
    }

    PostScriptConverter postScript;
    WordDocumentConverter documents({request.documentPassword, ::isatty(STDIN_FILENO) != 0});
    const std::vector<FileConverter*> converters{&postScript, &documents};
    const BatchConsole console{
        [](const QString& line) { printLine(stdout, line); },
        [](const QString& line) { printLine(stderr, QStringLiteral("ostrel-convert: ") + line); },
        askOnTerminal};
    return runBatch(request, converters, console);
}
