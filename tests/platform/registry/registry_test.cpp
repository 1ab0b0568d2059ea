// The registry hives: their REGEDIT text, key rules, locking and atomic replacement.
#include "environment.h"

#include "registry/registry.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

using ostrel::registry::Hive;
using ostrel::registry::Registry;
namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RegistryTest : public ::testing::Test {
protected:
    ostrel::test::TemporaryFolder folder_;
    Registry registry_{folder_.path()};
    fs::path hkcr() const { return folder_.path() / "HKCR.reg"; }
    fs::path hkcu() const { return folder_.path() / "HKCU.reg"; }
};

TEST_F(RegistryTest, WritesTheRegeditTextExactly) {
    const std::string clsid = "CLSID\\{89636228-FA0F-4743-8AF8-8D7DA19B8344}";
    ASSERT_EQ(registry_.setString(Hive::ClassesRoot, "Kestrine.WordAddin", "", "WordAddin Class"),
              S_OK);
    ASSERT_EQ(registry_.setString(Hive::ClassesRoot, clsid + "\\InprocServer32", "ThreadingModel",
                                  "Apartment"),
              S_OK);
    ASSERT_EQ(registry_.setString(Hive::ClassesRoot, clsid + "\\InprocServer32", "",
                                  "/opt/it's \"here\"\\lib.so"),
              S_OK);
    ASSERT_EQ(registry_.createKey(Hive::ClassesRoot, clsid + "\\Programmable"), S_OK);
    ASSERT_EQ(registry_.setString(Hive::ClassesRoot, "Ärger", "na\"me", "Grüße"), S_OK);
    EXPECT_EQ(ostrel::test::readText(hkcr()),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{89636228-FA0F-4743-8AF8-8D7DA19B8344}]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{89636228-FA0F-4743-8AF8-8D7DA19B8344}\\InprocServer32]\n"
              "@=\"/opt/it's \\\"here\\\"\\\\lib.so\"\n"
              "\"ThreadingModel\"=\"Apartment\"\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{89636228-FA0F-4743-8AF8-8D7DA19B8344}\\Programmable]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\Kestrine.WordAddin]\n"
              "@=\"WordAddin Class\"\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\Ärger]\n"
              "\"na\\\"me\"=\"Grüße\"\n"
              "\n");

    const std::string addin = "Software\\Microsoft\\Office\\Word\\Addins\\Kestrine.WordAddin";
    ASSERT_EQ(registry_.setString(Hive::CurrentUser, addin, "FriendlyName", "WORD Custom Addin"),
              S_OK);
    ASSERT_EQ(registry_.setDword(Hive::CurrentUser, addin, "LoadBehavior", 3), S_OK);
    ASSERT_EQ(registry_.setDword(Hive::CurrentUser, addin, "Big", 0xFFFFFFFEu), S_OK);
    EXPECT_EQ(ostrel::test::readText(hkcu()),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Microsoft]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Word]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Word\\Addins]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Word\\Addins\\Kestrine.WordAddin]\n"
              "\"FriendlyName\"=\"WORD Custom Addin\"\n"
              "\"LoadBehavior\"=dword:00000003\n"
              "\"Big\"=dword:fffffffe\n"
              "\n");

    // What was written reads back.
    EXPECT_EQ(registry_.getString(Hive::ClassesRoot, clsid + "\\InprocServer32", ""),
              "/opt/it's \"here\"\\lib.so");
    EXPECT_EQ(registry_.getString(Hive::ClassesRoot, "Ärger", "na\"me"), "Grüße");
    EXPECT_EQ(registry_.getDword(Hive::CurrentUser, addin, "Big"), 0xFFFFFFFEu);
    EXPECT_FALSE(registry_.getString(Hive::CurrentUser, addin, "Big")) << "a DWORD is no text";
    EXPECT_FALSE(registry_.getDword(Hive::CurrentUser, addin, "FriendlyName"));
}

TEST_F(RegistryTest, ReadsRegeditTextAndKeepsWhatItDoesNotInterpret) {
    writeText(hkcr(), "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                      "\r\n"
                      "; a comment\r\n"
                      "[HKEY_CLASSES_ROOT\\b\\deep]\r\n"
                      "\"bin\"=hex:01,02,\\\r\n"
                      "  03,04\r\n"
                      "@=\"x\"\r\n"
                      "\r\n"
                      "[HKEY_CLASSES_ROOT\\a]\r\n"
                      "\"n\"=dword:0000000A\r\n");
    EXPECT_EQ(registry_.getString(Hive::ClassesRoot, "B\\Deep", ""), "x");
    EXPECT_EQ(registry_.getDword(Hive::ClassesRoot, "a", "n"), 10u);
    EXPECT_TRUE(registry_.keyExists(Hive::ClassesRoot, "b"));
    EXPECT_EQ(registry_.valueNames(Hive::ClassesRoot, "b\\deep"),
              (std::vector<std::string>{"bin", ""}));

    ASSERT_EQ(registry_.setString(Hive::ClassesRoot, "a", "", "new"), S_OK);
    EXPECT_EQ(ostrel::test::readText(hkcr()), "Windows Registry Editor Version 5.00\n"
                                              "\n"
                                              "[HKEY_CLASSES_ROOT\\a]\n"
                                              "@=\"new\"\n"
                                              "\"n\"=dword:0000000a\n"
                                              "\n"
                                              "[HKEY_CLASSES_ROOT\\b]\n"
                                              "\n"
                                              "[HKEY_CLASSES_ROOT\\b\\deep]\n"
                                              "@=\"x\"\n"
                                              "\"bin\"=hex:01,02,03,04\n"
                                              "\n");
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCaseAndKeepTheirFirstSpelling) {
    ASSERT_EQ(registry_.setString(Hive::CurrentUser, "Software\\Ostrel", "Name", "one"), S_OK);
    ASSERT_EQ(registry_.setString(Hive::CurrentUser, "SOFTWARE\\ostrel", "NAME", "two"), S_OK);
    EXPECT_EQ(registry_.getString(Hive::CurrentUser, "software\\OSTREL", "name"), "two");
    EXPECT_EQ(registry_.subKeys(Hive::CurrentUser, "software"),
              (std::vector<std::string>{"Ostrel"}));
    EXPECT_EQ(registry_.valueNames(Hive::CurrentUser, "Software\\Ostrel"),
              (std::vector<std::string>{"Name"}));
    ASSERT_EQ(registry_.setString(Hive::CurrentUser, "Software\\Straße", "", "x"), S_OK);
    EXPECT_TRUE(registry_.keyExists(Hive::CurrentUser, "software\\STRASSE") == false);
    EXPECT_TRUE(registry_.keyExists(Hive::CurrentUser, "software\\STRAßE"));
    // The hives are separate.
    EXPECT_FALSE(registry_.keyExists(Hive::ClassesRoot, "Software"));
}

TEST_F(RegistryTest, DeletesTreesValuesAndEmptyKeys) {
    for (const char* key : {"CLSID\\{A}\\InprocServer32", "CLSID\\{A}\\ProgID", "CLSID\\{B}"}) {
        ASSERT_EQ(registry_.setString(Hive::ClassesRoot, key, "", "v"), S_OK);
    }
    ASSERT_EQ(registry_.deleteTree(Hive::ClassesRoot, "clsid\\{a}"), S_OK);
    EXPECT_FALSE(registry_.keyExists(Hive::ClassesRoot, "CLSID\\{A}"));
    EXPECT_FALSE(registry_.keyExists(Hive::ClassesRoot, "CLSID\\{A}\\ProgID"));
    EXPECT_EQ(registry_.getString(Hive::ClassesRoot, "CLSID\\{B}", ""), "v");
    EXPECT_EQ(registry_.deleteTree(Hive::ClassesRoot, "CLSID\\{A}"), S_OK) << "already gone";
    EXPECT_EQ(registry_.deleteTree(Hive::ClassesRoot, ""), E_INVALIDARG);

    EXPECT_EQ(registry_.deleteKeyIfEmpty(Hive::ClassesRoot, "CLSID"), S_FALSE);
    ASSERT_EQ(registry_.deleteValue(Hive::ClassesRoot, "CLSID\\{B}", ""), S_OK);
    EXPECT_TRUE(registry_.valueNames(Hive::ClassesRoot, "CLSID\\{B}").empty());
    EXPECT_EQ(registry_.deleteValue(Hive::ClassesRoot, "CLSID\\{B}", ""), S_OK);
    EXPECT_EQ(registry_.deleteKeyIfEmpty(Hive::ClassesRoot, "CLSID\\{B}"), S_OK);
    EXPECT_EQ(registry_.deleteKeyIfEmpty(Hive::ClassesRoot, "CLSID"), S_OK);
    EXPECT_FALSE(registry_.keyExists(Hive::ClassesRoot, "CLSID"));
    EXPECT_EQ(ostrel::test::readText(hkcr()), "Windows Registry Editor Version 5.00\n\n");
}

TEST_F(RegistryTest, RefusesNamesTheTextCannotHold) {
    ASSERT_EQ(registry_.setString(Hive::ClassesRoot, "Keep", "", "v"), S_OK);
    const std::string before = ostrel::test::readText(hkcr());
    EXPECT_EQ(registry_.setString(Hive::ClassesRoot, "A\\\\B", "", "v"), E_INVALIDARG);
    EXPECT_EQ(registry_.setString(Hive::ClassesRoot, "A\\", "", "v"), E_INVALIDARG);
    EXPECT_EQ(registry_.setString(Hive::ClassesRoot, "A", "", "two\nlines"), E_INVALIDARG);
    EXPECT_EQ(registry_.setString(Hive::ClassesRoot, "A", "x\r", "v"), E_INVALIDARG);
    EXPECT_EQ(registry_.createKey(Hive::ClassesRoot, "A\nB"), E_INVALIDARG);
    EXPECT_EQ(ostrel::test::readText(hkcr()), before);
}

TEST_F(RegistryTest, AHiveThatCannotBeParsedIsReportedAndLeftAlone) {
    const std::vector<std::string> corrupt{
        "",
        "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\a]\n",
        "Windows Registry Editor Version 5.00\n\n@=\"value before any key\"\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\a]\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\a\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\a]\n@=\"unterminated\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\a]\n@=\"bad \\q escape\"\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\a]\n\"n\"=dword:123456789\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\a]\n\"n\"=-\n",
        "Windows Registry Editor Version 5.00\n\n[-HKEY_CLASSES_ROOT\\a]\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\a\\\\b]\n",
    };
    ASSERT_EQ(registry_.setString(Hive::CurrentUser, "Other", "", "fine"), S_OK);
    for (const auto& text : corrupt) {
        writeText(hkcr(), text);
        EXPECT_EQ(registry_.setString(Hive::ClassesRoot, "b", "", "v"), REGDB_E_READREGDB) << text;
        EXPECT_EQ(registry_.deleteTree(Hive::ClassesRoot, "a"), REGDB_E_READREGDB) << text;
        EXPECT_EQ(ostrel::test::readText(hkcr()), text) << "the hive was replaced";
        EXPECT_FALSE(registry_.keyExists(Hive::ClassesRoot, "a")) << "reads as empty: " << text;
    }
    EXPECT_EQ(registry_.getString(Hive::CurrentUser, "Other", ""), "fine");
    EXPECT_EQ(registry_.setString(Hive::CurrentUser, "Other", "", "still writable"), S_OK);
}

TEST_F(RegistryTest, ReplacesTheHiveAtomically) {
    ASSERT_EQ(registry_.setString(Hive::ClassesRoot, "a", "", "old"), S_OK);
    const std::string oldText = ostrel::test::readText(hkcr());
    struct stat before {};
    ASSERT_EQ(stat(hkcr().c_str(), &before), 0);
    const int reader = open(hkcr().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);

    ASSERT_EQ(registry_.setString(Hive::ClassesRoot, "a", "", "new"), S_OK);

    // The file a reader had open is untouched: the new text came in a new file.
    std::string seen(oldText.size() + 16, '\0');
    const ssize_t got = pread(reader, seen.data(), seen.size(), 0);
    close(reader);
    ASSERT_GE(got, 0);
    seen.resize(static_cast<std::size_t>(got));
    EXPECT_EQ(seen, oldText);
    struct stat after {};
    ASSERT_EQ(stat(hkcr().c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(registry_.getString(Hive::ClassesRoot, "a", ""), "new");
    // No temporary file is left behind.
    EXPECT_EQ(folderEntries(folder_.path()),
              (std::vector<std::string>{"HKCR.reg", "registry.lock"}));
    // A change that changes nothing writes nothing.
    ASSERT_EQ(registry_.deleteTree(Hive::ClassesRoot, "absent"), S_OK);
    struct stat unchanged {};
    ASSERT_EQ(stat(hkcr().c_str(), &unchanged), 0);
    EXPECT_EQ(unchanged.st_ino, after.st_ino);
    EXPECT_FALSE(fs::exists(hkcu()));
}

TEST_F(RegistryTest, WritersInSeveralProcessesLoseNoUpdate) {
    constexpr int kProcesses = 4;
    constexpr int kWrites = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Registry own(folder_.path());
            int failures = 0;
            for (int i = 0; i < kWrites; ++i) {
                const std::string name = "p" + std::to_string(p) + "-" + std::to_string(i);
                if (own.setDword(Hive::CurrentUser, "Shared\\Key", name,
                                 static_cast<std::uint32_t>(i)) != S_OK) {
                    ++failures;
                }
            }
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto names = registry_.valueNames(Hive::CurrentUser, "Shared\\Key");
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kProcesses * kWrites));
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(registry_.getDword(Hive::CurrentUser, "Shared\\Key",
                                         "p" + std::to_string(p) + "-" + std::to_string(i)),
                      static_cast<std::uint32_t>(i));
        }
    }
}

TEST_F(RegistryTest, AFolderThatCannotBeWrittenIsReported) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes anywhere";
    }
    ASSERT_EQ(registry_.setString(Hive::ClassesRoot, "a", "", "v"), S_OK);
    ASSERT_EQ(chmod(folder_.path().c_str(), 0500), 0);
    EXPECT_EQ(registry_.setString(Hive::ClassesRoot, "a", "", "w"), E_ACCESSDENIED);
    chmod(folder_.path().c_str(), 0700);
    EXPECT_EQ(registry_.getString(Hive::ClassesRoot, "a", ""), "v");
}

TEST_F(RegistryTest, ReadAndWriteFailuresAreReported) {
    // A hive path that is a folder cannot be read: changes fail, reads answer empty.
    fs::create_directory(hkcr());
    EXPECT_EQ(registry_.setString(Hive::ClassesRoot, "a", "", "v"), REGDB_E_READREGDB);
    EXPECT_FALSE(registry_.keyExists(Hive::ClassesRoot, "a"));
    EXPECT_TRUE(fs::is_directory(hkcr()));

    // A registry folder that is a file cannot be written.
    const fs::path notAFolder = folder_.path() / "file";
    writeText(notAFolder, "x");
    Registry blocked(notAFolder);
    EXPECT_EQ(blocked.setString(Hive::CurrentUser, "a", "", "v"), REGDB_E_WRITEREGDB);
    EXPECT_EQ(ostrel::test::readText(notAFolder), "x");
}

TEST(RegistryFolder, FollowsTheOverridesInOrder) {
    const auto keep = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value == nullptr ? std::nullopt : std::optional<std::string>(value);
    };
    const auto restore = [](const char* name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    };
    const auto registryDir = keep("OSTREL_REGISTRY_DIR");
    const auto config = keep("XDG_CONFIG_HOME");
    const auto home = keep("HOME");

    setenv("OSTREL_REGISTRY_DIR", "/tmp/reg", 1);
    setenv("XDG_CONFIG_HOME", "/tmp/config", 1);
    setenv("HOME", "/tmp/home", 1);
    EXPECT_EQ(ostrel::registry::defaultDirectory(), fs::path("/tmp/reg"));
    unsetenv("OSTREL_REGISTRY_DIR");
    EXPECT_EQ(ostrel::registry::defaultDirectory(), fs::path("/tmp/config/ostrel/registry"));
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ostrel::registry::defaultDirectory(), fs::path("/tmp/home/.config/ostrel/registry"));

    restore("OSTREL_REGISTRY_DIR", registryDir);
    restore("XDG_CONFIG_HOME", config);
    restore("HOME", home);
}

} // namespace
