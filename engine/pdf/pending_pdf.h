// The PDF while Ghostscript writes it: a private temporary file beside the destination
// that takes the final name only once it is complete, so that a failed or interrupted
// conversion leaves the destination as it was (no partial PDF, an older PDF untouched).
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace ostrel {

// What may happen to a file that stands at the PDF's name when the new PDF is done.
enum class ExistingPdf {
    Replace, // the user agreed to replace it (or the host never asks)
    Keep,    // nothing was there when the run looked: whatever appeared since stays
};

class PendingPdf {
public:
    // Creates the temporary file in the destination's folder: exclusively, never through
    // a link, readable by the user alone, named after this process. Temporary files that
    // a process which died left in that folder are removed first. Throws
    // std::runtime_error (one-line reason).
    explicit PendingPdf(std::filesystem::path destination);
    // Removes the temporary file unless it was committed.
    ~PendingPdf();
    PendingPdf(const PendingPdf&) = delete;
    PendingPdf& operator=(const PendingPdf&) = delete;

    // The open temporary file, for the writer to inherit.
    int descriptor() const { return fd_; }

    // Gives the finished file the mode new files get and the destination's name. Nothing
    // on success, else the reason; the temporary file goes either way.
    std::optional<std::string> commit(ExistingPdf existing);

private:
    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

// A stream of its own on the open file `descriptor` (a duplicate, closed with the
// stream), for readers and writers that take a FILE; null when there is none.
FILE* duplicateStream(int descriptor, const char* mode);

} // namespace ostrel
