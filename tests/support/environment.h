// What a test changes around itself: environment variables, a temporary folder, and the
// private folders every test program gets (registry, spool folder, cache), each put back
// or removed when its object goes.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace ostrel::test {

// Sets an environment variable (unsets it for nullptr) and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A new folder in the temporary folder, removed with its content.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ostrel-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Private folders for a test: a registry (OSTREL_REGISTRY_DIR), a spool folder
// (OSTREL_SPOOL_DIR) and output folders, all below one temporary folder. The offices'
// profiles (XDG_CACHE_HOME) come from the build's own cache folder: the tests of one
// build share its profile template (as two conversions of one user do), never the
// user's or another build's; with Profiles::Own they start from nothing below the
// temporary folder ("cache").
class PrivateFolders {
public:
    enum class Profiles { Build, Own };

    explicit PrivateFolders(Profiles profiles = Profiles::Build)
        : registry_("OSTREL_REGISTRY_DIR", made(registry())),
          spool_("OSTREL_SPOOL_DIR", made(root() / "spool")),
          cache_("XDG_CACHE_HOME",
                 profiles == Profiles::Own ? (root() / "cache").c_str() : OSTREL_TEST_CACHE_DIR) {}

    const std::filesystem::path& root() const { return root_.path(); }
    std::filesystem::path registry() const { return root() / "registry"; }
    // The spool folder: only its owner may enter it.
    QString spool() const { return QFile::decodeName((root() / "spool").c_str()); }
    // A folder below the temporary one, created when missing.
    QString path(const QString& name) const {
        const QString folder = QFile::decodeName(root().c_str()) + u'/' + name;
        QDir().mkpath(folder);
        return folder;
    }
    // A new empty folder for one test's PDFs.
    QString freshFolder() { return path(QStringLiteral("out%1").arg(++folders_)); }

private:
    // Makes the folder private (mode 0700) and answers its name.
    static const char* made(const std::filesystem::path& folder) {
        ::mkdir(folder.c_str(), S_IRWXU);
        return folder.c_str();
    }

    TemporaryFolder root_;
    ScopedEnvironment registry_;
    ScopedEnvironment spool_;
    ScopedEnvironment cache_;
    int folders_ = 0;
};

inline std::string readText(const std::filesystem::path& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            text.append(buffer, got);
        }
        std::fclose(file);
    }
    return text;
}

} // namespace ostrel::test
