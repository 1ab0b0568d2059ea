// The per-file loop run by several workers at once (--jobs). Each worker has its own
// converters, its own office and its own spool folder, a private subfolder of the spool
// folder, so the fixed spool file names still serve one document at a time. Lines and
// the exit status are those of runBatch: each file's lines come in the order of the
// files, and a failure in one worker never stops the others.
#pragma once

#include "batch.h"

#include <functional>
#include <memory>
#include <vector>

namespace ostrel::cli {

// The converters of one worker.
using ConverterSet = std::vector<std::unique_ptr<FileConverter>>;
using ConverterFactory = std::function<ConverterSet()>;

// What a run with nothing said chooses: one worker per core, at most two. Measured on
// two busy cores, 51 documents took 9-12 s with two workers against 15 s with one; a
// list of 17 gained nothing, the second office's start eating the gain. Each worker's
// office costs about 200 MB.
int defaultJobCount();

// Converts the request's files with `jobs` workers (at most one per file); 0 when all
// were converted, 1 when any was skipped or failed. With `holdOffice` each worker keeps
// an office ready for its documents.
int runParallelBatch(const Request& request, int jobs, bool holdOffice,
                     const ConverterFactory& makeConverters, const BatchConsole& console);

} // namespace ostrel::cli
