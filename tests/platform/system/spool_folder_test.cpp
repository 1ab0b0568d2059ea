#include "environment.h"
#include "system/process.h"
#include "system/spool_folder.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ostrel {
namespace {

using test::ScopedEnvironment;

unsigned modeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class SpoolFolderTest : public testing::Test {
protected:
    std::filesystem::path temp(const char* name) const {
        return std::filesystem::path(dir.path().toStdString()) / name;
    }
    QTemporaryDir dir;
};

TEST_F(SpoolFolderTest, OverrideIsCreatedPrivateAndHoldsTheFixedNames) {
    const auto wanted = temp("a/b/spool");
    ScopedEnvironment spool("OSTREL_SPOOL_DIR", wanted.c_str());
    const auto folder = SpoolFolder::locate();
    EXPECT_EQ(folder.path(), wanted);
    EXPECT_EQ(modeOf(wanted), 0700u);
    EXPECT_EQ(folder.spoolFile(), wanted / "tmp.ps");
}

TEST_F(SpoolFolderTest, RuntimeFolderByDefault) {
    ScopedEnvironment spool("OSTREL_SPOOL_DIR", nullptr);
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", dir.path().toStdString().c_str());
    EXPECT_EQ(SpoolFolder::locate().path(), temp("ostrel"));
    EXPECT_EQ(modeOf(temp("ostrel")), 0700u);
}

// A shared folder (OSTREL_SPOOL_DIR=/tmp, say) is refused, never made private.
TEST_F(SpoolFolderTest, ExistingFolderOpenToOthersIsRefusedUnchanged) {
    for (const unsigned mode : {01777u, 0755u, 0710u, 0701u}) {
        const auto shared = temp("shared");
        std::filesystem::create_directory(shared);
        ::chmod(shared.c_str(), mode);
        try {
            SpoolFolder folder(shared);
            ADD_FAILURE() << "mode " << std::oct << mode << " accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("open to other users"), std::string::npos)
                << error.what();
        }
        EXPECT_EQ(modeOf(shared), mode);
    }
    ::chmod(temp("shared").c_str(), 0700);
    EXPECT_NO_THROW(SpoolFolder{temp("shared")});
}

TEST_F(SpoolFolderTest, CacheFolderWithoutRuntimeFolder) {
    ScopedEnvironment spool("OSTREL_SPOOL_DIR", nullptr);
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", nullptr);
    ScopedEnvironment cache("XDG_CACHE_HOME", temp("cache").c_str());
    EXPECT_EQ(SpoolFolder::locate().path(), temp("cache/ostrel"));
}

TEST_F(SpoolFolderTest, FileOrSymlinkInPlaceIsRefused) {
    std::ofstream(temp("file")) << "x";
    EXPECT_THROW(SpoolFolder(temp("file")), std::runtime_error);
    std::filesystem::create_directory(temp("real"));
    std::filesystem::create_directory_symlink(temp("real"), temp("link"));
    EXPECT_THROW(SpoolFolder(temp("link")), std::runtime_error);
}

TEST_F(SpoolFolderTest, LockExcludesOtherHoldersInThisAndOtherProcesses) {
    const SpoolFolder folder(temp("spool"));
    const auto lockFile = folder.file("lock").string();
    const auto otherProcessGetsIt = [&] {
        auto flock = Process::start({"flock", "--nonblock", lockFile, "true"});
        return flock.wait().succeeded();
    };
    {
        const SpoolLock held(folder);
        EXPECT_FALSE(SpoolLock::tryAcquire(folder).has_value());
        EXPECT_FALSE(otherProcessGetsIt());
    }
    EXPECT_TRUE(otherProcessGetsIt());
    auto again = SpoolLock::tryAcquire(folder);
    ASSERT_TRUE(again.has_value());
    SpoolLock moved = std::move(*again);
    again.reset(); // the moved-from holder gives nothing up
    EXPECT_FALSE(SpoolLock::tryAcquire(folder).has_value());
}

// Another conversion's spool file stays while it holds the folder.
TEST_F(SpoolFolderTest, SpoolFileGoesOnlyWhenTheFolderIsFree) {
    const SpoolFolder folder(temp("spool"));
    {
        const SpoolLock held(folder);
        std::ofstream(folder.spoolFile()) << "%!PS";
        removeSpoolFileIfFree(folder);
        EXPECT_TRUE(std::filesystem::exists(folder.spoolFile()));
    }
    removeSpoolFileIfFree(folder);
    EXPECT_FALSE(std::filesystem::exists(folder.spoolFile()));
}

} // namespace
} // namespace ostrel
