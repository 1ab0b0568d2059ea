#include "parallel_batch.h"

#include "output_name.h"
#include "system/spool_folder.h"
#include "word_server_hold.h"

#include <QStringList>

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace ostrel::cli {
namespace {

// What one file's run said, kept until the files before it have been reported.
struct FileLines {
    bool done = false;
    int status = 0;
    std::vector<FileResult> results;
    QStringList problems;
};

class ParallelRun {
public:
    ParallelRun(const Request& request, const ConverterFactory& makeConverters,
                const BatchConsole& console)
        : request_(request), makeConverters_(makeConverters), console_(console),
          lines_(static_cast<std::size_t>(request.files.size())) {
        // Files that make the same PDF go to one worker, in their order, as they would
        // one after the other in a run of one worker.
        std::map<QString, std::size_t> groupOf;
        for (qsizetype index = 0; index < request.files.size(); ++index) {
            const QString pdf =
                outputFilePath(request.options.destinationFolder, request.files.at(index));
            const auto [entry, added] = groupOf.try_emplace(pdf, groups_.size());
            if (added) {
                groups_.emplace_back();
            }
            groups_[entry->second].push_back(index);
        }
    }

    void work(int worker, std::mutex& officeTurn) {
        std::optional<SpoolFolder> spool;
        std::optional<SpoolFolderScope> scope;
        try {
            spool.emplace(SpoolFolder::locate().path() / workerSpoolName(worker));
            scope.emplace(*spool);
        } catch (const std::exception& error) {
            failRemaining(QString::fromLocal8Bit(error.what()));
            return;
        }
        const ConverterSet converters = makeConverters_(officeTurn);
        std::vector<FileConverter*> borrowed;
        for (const auto& converter : converters) {
            borrowed.push_back(converter.get());
        }
        for (auto group = nextGroup(); group; group = nextGroup()) {
            for (const qsizetype index : *group) {
                convert(index, borrowed);
            }
        }
    }

    // After every worker has ended.
    int finish() {
        const int signal = stopSignal();
        if (signal == 0) {
            return std::any_of(lines_.begin(), lines_.end(),
                               [](const auto& l) { return l.status != 0; })
                       ? 1
                       : 0;
        }
        // Stopped: what was finished is reported in order, then one line names the rest.
        QStringList unfinished;
        for (std::size_t index = reported_; index < lines_.size(); ++index) {
            if (lines_[index].done) {
                flush(lines_[index]);
            } else {
                unfinished << request_.files.at(static_cast<qsizetype>(index));
            }
        }
        console_.problem(stoppedLine(signal, unfinished));
        return 128 + signal;
    }

private:
    int stopSignal() const { return console_.stoppedBy ? console_.stoppedBy() : 0; }

    std::optional<std::vector<qsizetype>> nextGroup() {
        const std::lock_guard lock(mutex_);
        if (next_ >= groups_.size() || stopSignal() != 0) {
            return std::nullopt;
        }
        return groups_[next_++];
    }

    void convert(qsizetype index, const std::vector<FileConverter*>& converters) {
        Request single = request_;
        single.files = QStringList{request_.files.at(index)};
        FileLines said;
        const BatchConsole collect{
            [&said](const FileResult& result) { said.results.push_back(result); },
            [&said](const QString& line) { said.problems << line; },
            [this](const QString& question) {
                const std::lock_guard ask(askMutex_);
                return console_.askReplace(question);
            },
            console_.stoppedBy,
            [this, index](int, int, const QString& file) {
                if (console_.starting) {
                    console_.starting(static_cast<int>(index) + 1, static_cast<int>(lines_.size()),
                                      file);
                }
            }};
        said.status = runBatch(single, converters, collect);
        // A file the stop cut short is named once, with the others, by finish().
        said.done = said.status < 128;
        if (said.done) {
            report(index, std::move(said));
        }
    }

    // A worker without a spool folder reports the files it takes as failed, so that no
    // file goes unreported.
    void failRemaining(const QString& reason) {
        for (auto group = nextGroup(); group; group = nextGroup()) {
            for (const qsizetype index : *group) {
                FileLines said;
                said.done = true;
                said.status = 1;
                const QString& file = request_.files.at(index);
                said.problems << QStringLiteral("%1: %2").arg(file, reason);
                said.results.push_back({file,
                                        outputFilePath(request_.options.destinationFolder, file),
                                        Outcome::Failed, reason});
                report(index, std::move(said));
            }
        }
    }

    // Files are reported in their order: the lines of every finished file not waiting
    // for an earlier one go out now.
    void report(qsizetype index, FileLines said) {
        const std::lock_guard lock(mutex_);
        lines_[static_cast<std::size_t>(index)] = std::move(said);
        while (reported_ < lines_.size() && lines_[reported_].done) {
            flush(lines_[reported_++]);
        }
    }

    void flush(const FileLines& said) {
        for (const QString& line : said.problems) {
            console_.problem(line);
        }
        for (const FileResult& result : said.results) {
            console_.result(result);
        }
    }

    const Request& request_;
    const ConverterFactory& makeConverters_;
    const BatchConsole& console_;
    std::mutex mutex_;
    std::mutex askMutex_;
    std::vector<std::vector<qsizetype>> groups_;
    std::size_t next_ = 0;
    std::size_t reported_ = 0;
    std::vector<FileLines> lines_;
};

} // namespace

std::string workerSpoolName(int worker) {
    return "job-" + std::to_string(worker);
}

int defaultJobCount(qsizetype files) {
    constexpr qsizetype kShortList = 24;
    return files < kShortList
               ? 1
               : static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1U, 2U));
}

int runParallelBatch(const Request& request, int jobs, bool holdOffice,
                     const ConverterFactory& makeConverters, const BatchConsole& console) {
    ParallelRun run(request, makeConverters, console);
    const auto workers = std::min<qsizetype>(jobs * kLanesPerJob, request.files.size());
    const auto jobCount = (workers + kLanesPerJob - 1) / kLanesPerJob;
    std::vector<std::mutex> officeTurns(static_cast<std::size_t>(jobCount));
    // One office kept per job, started while the workers start.
    std::vector<std::unique_ptr<word::ServerHold>> offices;
    for (qsizetype job = 0; holdOffice && job < jobCount; ++job) {
        offices.push_back(std::make_unique<word::ServerHold>());
    }
    std::vector<std::thread> threads;
    for (int worker = 1; worker <= workers; ++worker) {
        std::mutex& turn = officeTurns[static_cast<std::size_t>((worker - 1) / kLanesPerJob)];
        threads.emplace_back([&run, worker, &turn] { run.work(worker, turn); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    return run.finish();
}

} // namespace ostrel::cli
