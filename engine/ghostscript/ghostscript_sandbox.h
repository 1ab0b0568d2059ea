// Where one Ghostscript may write besides its output: a private temporary folder of its
// own (mode 0700, in the spool folder), removed when this goes. Ghostscript's SAFER
// mode allows its temporary folder; pointed there instead of /tmp, a hostile PostScript
// reaches nothing of anyone else's.
#pragma once

#include "system/spool_folder.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ostrel {

class GhostscriptSandbox {
public:
    // Throws std::runtime_error (one-line reason) when the folder cannot be made.
    explicit GhostscriptSandbox(const SpoolFolder& spool);
    ~GhostscriptSandbox();
    GhostscriptSandbox(const GhostscriptSandbox&) = delete;
    GhostscriptSandbox& operator=(const GhostscriptSandbox&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    // Our environment for children with TMPDIR, TMP and TEMP naming the folder.
    std::vector<std::string> environment() const;

private:
    std::filesystem::path folder_;
};

// How long one Ghostscript may work on an input of `inputBytes` before it is ended:
// OSTREL_GHOSTSCRIPT_TIMEOUT seconds when set, else 60 s a megabyte, at least 10 minutes.
std::chrono::seconds ghostscriptTimeLimit(std::uintmax_t inputBytes);

} // namespace ostrel
