// The results on standard output. For people, a line per file ("name: converted, 1.23 s",
// none with --quiet); for programs (--json), JSON Lines: one object per file and a last
// one with the totals. The manual page documents the JSON fields as a stable interface.
#pragma once

#include "batch.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <functional>

namespace ostrel::cli {

class ResultOutput {
public:
    // Writes one line (without its line break).
    using Write = std::function<void(const QByteArray& line)>;

    // For a run of the request's files, as the request asks (--json, --quiet).
    ResultOutput(const Request& request, Write write);

    void add(const FileResult& result);
    // The run has ended, stopped by `signal` (0: it was not): the totals, with --json.
    void finish(int signal);

private:
    bool json_;
    bool quiet_;
    Write write_;
    QElapsedTimer clock_;
    qsizetype files_;
    qsizetype counts_[3] = {}; // by Outcome::Kind
    qint64 pages_ = 0;
    qint64 bytes_ = 0;
};

// A file's result as one JSON object. A name that is not valid UTF-8 is given readable
// (each such byte as U+FFFD) and exactly, its bytes in base64 under the name's key plus
// "_base64".
QByteArray jsonLine(const FileResult& result);

} // namespace ostrel::cli
