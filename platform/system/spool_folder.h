// The spool folder: a private per-user folder that holds the spool file "tmp.ps" the
// office prints to and the scratch files and folders of the job (the side file with the
// pdfmarks for Ghostscript has no name: it lives only as long as the job).
// Their names are fixed, so only one conversion at a time may use the folder; SpoolLock
// guards that across processes.
#pragma once

#include "system/file_lock.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace ostrel {

// Creates the folder and its missing parents with mode 0700; existing ones stay as they
// are. Throws std::system_error when one cannot be made. The office's profiles share the
// cache folder the spool folder may live in, so they are made the same way.
void createPrivateFolders(const std::filesystem::path& folder);

class SpoolFolder {
public:
    // OSTREL_SPOOL_DIR when set, else "ostrel" in $XDG_RUNTIME_DIR, else "ostrel" in the
    // cache folder ($XDG_CACHE_HOME or ~/.cache). Created private (mode 0700) when
    // missing; an existing folder is never changed. Throws std::runtime_error (one-line
    // reason) when the folder cannot be created, is not the user's own directory, or
    // group or others may enter it.
    // A SpoolFolderScope on the calling thread takes precedence over all of these.
    static SpoolFolder locate();

    // The given folder, created or checked in the same way.
    explicit SpoolFolder(std::filesystem::path folder);

    const std::filesystem::path& path() const { return folder_; }
    std::filesystem::path spoolFile() const { return file("tmp.ps"); }
    std::filesystem::path file(std::string_view name) const { return folder_ / name; }
    // A name for a scratch file or folder of the job holding the folder: "scratch-NAME".
    // Whatever bears such a name when the folder is taken was left by a job that died.
    std::filesystem::path scratchFile(std::string_view name) const;

private:
    std::filesystem::path folder_;
};

// Makes locate() answer the given folder on the calling thread while it lives, so that
// a worker converting beside others has spool files of its own.
class SpoolFolderScope {
public:
    explicit SpoolFolderScope(const SpoolFolder& folder);
    ~SpoolFolderScope();
    SpoolFolderScope(const SpoolFolderScope&) = delete;
    SpoolFolderScope& operator=(const SpoolFolderScope&) = delete;

private:
    const SpoolFolder* previous_;
};

// Holds the spool folder for one job: an exclusive flock on the file "lock" in it.
// Two holders exclude each other whether they live in one process or in two. Taking
// the folder removes what an earlier holder that died left: the spool file, the side
// file and the scratch files (and the names earlier versions used for theirs).
class SpoolLock {
public:
    // Blocks until the folder is free. Throws std::runtime_error when the lock file
    // cannot be opened.
    explicit SpoolLock(const SpoolFolder& folder);
    // Takes the lock only when it is free now.
    static std::optional<SpoolLock> tryAcquire(const SpoolFolder& folder);

    const SpoolFolder& folder() const { return folder_; }

private:
    SpoolLock(const SpoolFolder& folder, bool wait);

    SpoolFolder folder_;
    FileLock lock_;
};

// The spool file may hold the printed text of a password-protected document: it goes
// after a run, unless another conversion holds the folder now (whose office replaces
// it). Never throws.
void removeSpoolFileIfFree(const SpoolFolder& folder) noexcept;

} // namespace ostrel
