// The per-file loop run by several workers at once. Each job (--jobs) has one office
// and two workers, its lanes, that take turns in it: while one lane's Ghostscript makes
// a PDF, the other's document is in the office. Each worker has its own converters and
// its own spool folder, a private subfolder of the spool folder, so the fixed spool file
// names still serve one document at a time. Lines and the exit status are those of
// runBatch: each file's lines come in the order of the files, and a failure in one
// worker never stops the others.
#pragma once

#include "batch.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ostrel::cli {

inline constexpr int kLanesPerJob = 2;

// The spool subfolder of a worker (counted from 1; a job's lanes are workers of their own).
std::string workerSpoolName(int worker);

// The converters of one worker; officeTurn is shared by the lanes of its job.
using ConverterSet = std::vector<std::unique_ptr<FileConverter>>;
using ConverterFactory = std::function<ConverterSet(std::mutex& officeTurn)>;

// What a run of `files` files with nothing said chooses. A second job pays for a second
// office's start (about 4 s of processor time and 200 MB). Measured on two idle cores
// against the office's own export: 17 documents took 1.30 times as long with one job and
// 1.40 with two, 100 short letters 2.73 with one and 2.37 with two. So one job for short
// lists, else one per core, at most two.
int defaultJobCount(qsizetype files);

// Converts the request's files with `jobs` jobs of kLanesPerJob workers (at most one
// worker per file); 0 when all were converted, 1 when any was skipped or failed. With
// `holdOffice` each job keeps an office ready for its documents. A run stopped by a signal reports
// what was finished, then one line naming every file not finished, and answers 128 plus the
// signal's number.
int runParallelBatch(const Request& request, int jobs, bool holdOffice,
                     const ConverterFactory& makeConverters, const BatchConsole& console);

} // namespace ostrel::cli
