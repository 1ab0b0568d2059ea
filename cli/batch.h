// The per-file loop of ostrel-convert: names each PDF, settles an existing one, hands the
// file to the converter that takes it, and reports one line per file.
#pragma once

#include "cli_arguments.h"
#include "escaped_line.h"
#include "file_converter.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace ostrel::cli {

// One finished file, as the results tell it.
struct FileResult {
    QString file;
    QString pdf; // the PDF's path, written or not
    Outcome::Kind kind = Outcome::Failed;
    QString reason; // empty when converted
    double seconds = 0;
    // The PDF this run wrote, when the request asks for them (--json); 0 when none.
    int pages = 0;
    qint64 bytes = 0;
    StageTimes stages{}; // where the time went
};

// Where the loop talks to: results (standard output), problems (standard error, one
// line each) and the "already exists" question.
struct BatchConsole {
    std::function<void(const FileResult& result)> result;
    std::function<void(const QString& line)> problem;
    // Asked only with Overwrite::Ask; true to replace.
    std::function<bool(const QString& question)> askReplace;
    // The signal that stopped the run, or 0; not set: never stopped.
    std::function<int()> stoppedBy;
    // Told before each file (number from 1 of count); may be empty.
    std::function<void(int number, int count, const QString& file)> starting;
};

// "converted", "skipped" or "failed".
QString statusWord(Outcome::Kind kind);

// The line of one finished file ("name: converted, 1.23 s"); `result` is a statusWord.
QString resultLine(const QString& file, const QString& result, double seconds);

// The one line of a run stopped by `signal`, naming the files it did not finish.
QString stoppedLine(int signal, const QStringList& unfinished);

// Converts every file of the request; 0 when all were converted, 1 when any was skipped
// or failed. A run stopped by a signal ends with one line naming the files it did not
// finish (the current one included) and answers 128 plus the signal's number.
int runBatch(const Request& request, const std::vector<FileConverter*>& converters,
             const BatchConsole& console);

} // namespace ostrel::cli
