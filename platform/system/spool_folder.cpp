#include "system/spool_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace ostrel {
namespace {

std::filesystem::path fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::filesystem::path(value)
                                                : std::filesystem::path();
}

[[noreturn]] void fail(const std::filesystem::path& folder, const std::string& what) {
    throw std::runtime_error("spool folder " + folder.string() + ": " + what);
}

// Creates the folder private when missing, and makes sure nobody else can read or plant
// files in it: it must be a real directory of ours that neither group nor others may
// enter. An existing folder is never changed: making a shared folder private would break
// its other users.
void requirePrivate(const std::filesystem::path& folder) {
    try {
        createPrivateFolders(folder);
    } catch (const std::system_error& error) {
        fail(folder, error.code().message());
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        fail(folder, std::strerror(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        fail(folder, "not a directory");
    }
    if (info.st_uid != ::geteuid()) {
        fail(folder, "owned by another user");
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", info.st_mode & 07777);
        fail(folder, std::string("open to other users (mode ") + mode +
                         "); use a folder only you can enter (mode 0700)");
    }
}

std::filesystem::path defaultFolder() {
    if (auto overridden = fromEnvironment("OSTREL_SPOOL_DIR"); !overridden.empty()) {
        return overridden;
    }
    if (auto runtime = fromEnvironment("XDG_RUNTIME_DIR"); !runtime.empty()) {
        return runtime / "ostrel";
    }
    if (auto cache = fromEnvironment("XDG_CACHE_HOME"); !cache.empty()) {
        return cache / "ostrel";
    }
    if (auto home = fromEnvironment("HOME"); !home.empty()) {
        return home / ".cache" / "ostrel";
    }
    throw std::runtime_error("no folder for the spool files: set OSTREL_SPOOL_DIR or HOME");
}

thread_local const SpoolFolder* threadFolder = nullptr;

constexpr std::string_view kScratchPrefix = "scratch-";

// What a job that held the folder leaves when it dies, by name: nothing else is touched,
// whatever else the user keeps in the folder.
bool isLeftover(const std::string& name) {
    static const std::string_view exact[] = {"tmp.ps", "pdfmarks", "adjusted.pdf", "gs-arguments"};
    static const std::string_view prefixes[] = {kScratchPrefix, "gs-arguments-", "part-"};
    if (std::find(std::begin(exact), std::end(exact), name) != std::end(exact)) {
        return true;
    }
    return std::any_of(std::begin(prefixes), std::end(prefixes), [&name](std::string_view prefix) {
        return name.starts_with(prefix) && (prefix != "part-" || name.ends_with(".pdf"));
    });
}

void removeLeftovers(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (isLeftover(entry.path().filename().string())) {
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
}

} // namespace

void createPrivateFolders(const std::filesystem::path& folder) {
    if (folder.empty() || std::filesystem::exists(folder)) {
        return;
    }
    createPrivateFolders(folder.parent_path());
    if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
        throw std::system_error(errno, std::generic_category(), "cannot create " + folder.string());
    }
}

SpoolFolder SpoolFolder::locate() {
    if (threadFolder != nullptr) {
        return *threadFolder;
    }
    return SpoolFolder(defaultFolder());
}

SpoolFolderScope::SpoolFolderScope(const SpoolFolder& folder)
    : previous_(std::exchange(threadFolder, &folder)) {
}

SpoolFolderScope::~SpoolFolderScope() {
    threadFolder = previous_;
}

SpoolFolder::SpoolFolder(std::filesystem::path folder)
    : folder_(std::filesystem::absolute(std::move(folder))) {
    requirePrivate(folder_);
}

SpoolLock::SpoolLock(const SpoolFolder& folder) : SpoolLock(folder, true) {
}

std::filesystem::path SpoolFolder::scratchFile(std::string_view name) const {
    return folder_ / (std::string(kScratchPrefix) + std::string(name));
}

SpoolLock::SpoolLock(const SpoolFolder& folder, bool wait)
    : folder_(folder), lock_(folder.file("lock"), wait) {
    if (lock_.held()) {
        removeLeftovers(folder_.path());
    }
}

std::optional<SpoolLock> SpoolLock::tryAcquire(const SpoolFolder& folder) {
    SpoolLock lock(folder, false);
    if (!lock.lock_.held()) {
        return std::nullopt;
    }
    return lock;
}

void removeSpoolFileIfFree(const SpoolFolder& folder) noexcept {
    try {
        if (const auto lock = SpoolLock::tryAcquire(folder)) {
            std::error_code ignored;
            std::filesystem::remove(folder.spoolFile(), ignored);
        }
    } catch (const std::exception&) {
        // A lock file that cannot be opened: the folder is not ours to clean.
    }
}

} // namespace ostrel
