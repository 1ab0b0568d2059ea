// The setup scripts: install-addin.sh registers KestrineWord in the user's registry and
// installs the Writer extension; uninstall-addin.sh takes both away again and is quiet
// when there is nothing to remove. Run against a private registry and a private office
// profile (the office's extension manager is wrapped to use it).
#include "missing.h"
#include "office_session.h"

#include "registry/registry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace {

using namespace ostrel::test;
using ostrel::registry::Hive;
using ostrel::registry::Registry;

const std::string kAddinKey = "Software\\Microsoft\\Office\\Word\\Addins\\Kestrine.WordAddin";

class SetupScripts : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(OSTREL_KESTRINE_LIBRARY).empty()) {
            OSTREL_MISSING() << "the add-in library KestrineWord is not part of this build";
        }
        char pattern[] = "/tmp/ostrel-setup-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        fs::create_directories(folder_ / "registry");
        // unopkg on a private profile (and, for root, a private shared folder).
        const OfficeProfile profile(folder_ / "office", {});
        std::ofstream wrapper(folder_ / "unopkg");
        wrapper << "#!/bin/sh\nexec " OSTREL_LO_PROGRAM_DIR "/unopkg \"$@\"";
        for (const auto& argument : profile.officeArguments()) {
            wrapper << " '" << argument << "'";
        }
        wrapper << "\n";
        wrapper.close();
        fs::permissions(folder_ / "unopkg", fs::perms::owner_all);
        environment_ = {{"OSTREL_REGISTRY_DIR", (folder_ / "registry").string()},
                        {"OSTREL_UNOPKG", (folder_ / "unopkg").string()},
                        {"SUDO_USER", ""}};
    }
    void TearDown() override {
        if (!folder_.empty()) {
            EXPECT_TRUE(processesMentioning(folder_.string()).empty());
            std::error_code ec;
            fs::remove_all(folder_, ec);
        }
    }

    int script(const char* name) {
        return run({std::string(OSTREL_SOURCE_DIR "/scripts/") + name, "--build", OSTREL_BUILD_DIR},
                   environment_, folder_ / "script.log");
    }
    bool extensionListed() {
        std::vector<std::string> args{(folder_ / "unopkg").string(), "list"};
        if (geteuid() == 0) {
            args.emplace_back("--shared");
        }
        run(args, {}, folder_ / "list.log");
        const std::string listing = readText(folder_ / "list.log");
        std::error_code ec;
        fs::remove(folder_ / "list.log", ec);
        return listing.find("com.ostrel.kestrine.bridge") != std::string::npos;
    }

    fs::path folder_;
    std::map<std::string, std::string> environment_;
};

TEST_F(SetupScripts, InstallRegistersAndUninstallRemovesBoth) {
    ASSERT_EQ(script("install-addin.sh"), 0) << readText(folder_ / "script.log");
    const Registry registry(folder_ / "registry");
    EXPECT_EQ(registry.getDword(Hive::CurrentUser, kAddinKey, "LoadBehavior"), 3u);
    EXPECT_TRUE(registry.keyExists(Hive::ClassesRoot, "Kestrine.WordAddin"));
    EXPECT_TRUE(extensionListed());

    // Again: the extension is replaced, not refused.
    ASSERT_EQ(script("install-addin.sh"), 0) << readText(folder_ / "script.log");

    ASSERT_EQ(script("uninstall-addin.sh"), 0) << readText(folder_ / "script.log");
    EXPECT_FALSE(registry.keyExists(Hive::CurrentUser, kAddinKey));
    EXPECT_FALSE(registry.keyExists(Hive::ClassesRoot, "Kestrine.WordAddin"));
    EXPECT_FALSE(extensionListed());

    EXPECT_EQ(script("uninstall-addin.sh"), 0) << readText(folder_ / "script.log");
}

} // namespace
