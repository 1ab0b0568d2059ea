// Registration and unregistration of the add-in library in a private registry.
#include "addin_library.h"
#include "registry_dump.h"

#include "environment.h"

#include <gtest/gtest.h>

#include <fstream>

namespace addintest {
namespace {

using ostrel::registry::Hive;
using ostrel::registry::Registry;

const std::string kClsid = "{89636228-FA0F-4743-8AF8-8D7DA19B8344}";
const std::string kLibid = "{487EA6D5-F160-4767-A66B-2C3E94EFBC9E}";
const std::string kAddinKey = "Software\\Microsoft\\Office\\Word\\Addins\\Kestrine.WordAddin";

HiveDump expectedClassesRoot(const std::string& module) {
    const std::string c = "CLSID\\" + kClsid;
    return {
        {"Kestrine.WordAddin.1", {{"", "s:WordAddin Class"}}},
        {"Kestrine.WordAddin.1\\CLSID", {{"", "s:" + kClsid}}},
        {"Kestrine.WordAddin", {{"", "s:WordAddin Class"}}},
        {"Kestrine.WordAddin\\CLSID", {{"", "s:" + kClsid}}},
        {"Kestrine.WordAddin\\CurVer", {{"", "s:Kestrine.WordAddin.1"}}},
        {"CLSID", {}},
        {c, {{"", "s:WordAddin Class"}}},
        {c + "\\ProgID", {{"", "s:Kestrine.WordAddin.1"}}},
        {c + "\\VersionIndependentProgID", {{"", "s:Kestrine.WordAddin"}}},
        {c + "\\Programmable", {}},
        {c + "\\InprocServer32", {{"", "s:" + module}, {"ThreadingModel", "s:Apartment"}}},
        {c + "\\TypeLib", {{"", "s:" + kLibid}}},
        {"TypeLib", {}},
        {"TypeLib\\" + kLibid, {}},
        {"TypeLib\\" + kLibid + "\\1.0", {{"", "s:Kestrine 1.0 Type Library"}}},
        {"TypeLib\\" + kLibid + "\\1.0\\0", {}},
        {"TypeLib\\" + kLibid + "\\1.0\\0\\win32", {{"", "s:" + module}}},
        {"TypeLib\\" + kLibid + "\\1.0\\FLAGS", {{"", "s:0"}}},
    };
}

HiveDump expectedCurrentUser() {
    return {
        {"Software", {}},
        {"Software\\Microsoft", {}},
        {"Software\\Microsoft\\Office", {}},
        {"Software\\Microsoft\\Office\\Word", {}},
        {"Software\\Microsoft\\Office\\Word\\Addins", {}},
        {kAddinKey,
         {{"FriendlyName", "s:WORD Custom Addin"},
          {"Description", "s:Word Custom Addin"},
          {"LoadBehavior", "d:3"},
          {"CommandLineSafe", "d:1"}}},
    };
}

class AddinRegistration : public ::testing::Test {
protected:
    ostrel::test::PrivateFolders registryFolder;
    Registry registry;
};

TEST_F(AddinRegistration, RegisteringTwiceWritesExactlyTheEntriesAndRebuildsTheClassKey) {
    AddinLibrary library;
    ASSERT_TRUE(library.loaded()) << AddinLibrary::error();
    ASSERT_EQ(library.registerServer(), S_OK);

    // Leftovers of another version under the class key and its Programmable key, and
    // a changed value, must not survive the next registration.
    const std::string c = "CLSID\\" + kClsid;
    ASSERT_EQ(registry.setString(Hive::ClassesRoot, c + "\\LocalServer32", "", "/old/server"),
              S_OK);
    ASSERT_EQ(registry.setString(Hive::ClassesRoot, c + "\\Programmable", "Stale", "1"), S_OK);
    ASSERT_EQ(registry.setString(Hive::ClassesRoot, c + "\\InprocServer32", "", "/old/lib.so"),
              S_OK);
    ASSERT_EQ(library.registerServer(), S_OK);

    EXPECT_EQ(dumpHive(Hive::ClassesRoot), expectedClassesRoot(kBuiltModule.string()));
    EXPECT_EQ(dumpHive(Hive::CurrentUser), expectedCurrentUser());
}

TEST_F(AddinRegistration, UnregisteringRemovesTheEntriesAndKeepsKeysHoldingOthers) {
    AddinLibrary library;
    ASSERT_TRUE(library.loaded()) << AddinLibrary::error();
    // Someone else's class and add-in, registered before us.
    const std::string otherClass = "CLSID\\{00000000-1111-2222-3333-444444444444}";
    const std::string otherAddin = "Software\\Microsoft\\Office\\Word\\Addins\\Other.Addin";
    ASSERT_EQ(registry.setString(Hive::ClassesRoot, otherClass, "", "Other Class"), S_OK);
    ASSERT_EQ(registry.setDword(Hive::CurrentUser, otherAddin, "LoadBehavior", 2), S_OK);
    ASSERT_EQ(registry.setString(Hive::CurrentUser, "Software\\Microsoft\\Office", "Kept", "x"),
              S_OK);
    const HiveDump classesBefore = dumpHive(Hive::ClassesRoot);
    const HiveDump userBefore = dumpHive(Hive::CurrentUser);

    ASSERT_EQ(library.registerServer(), S_OK);
    ASSERT_EQ(library.unregisterServer(), S_OK);

    HiveDump classesAfter = dumpHive(Hive::ClassesRoot);
    // The TypeLib key is never removed, like CLSID; only our library's entry goes.
    EXPECT_EQ(classesAfter.erase("TypeLib"), 1u);
    EXPECT_EQ(classesAfter, classesBefore);
    EXPECT_EQ(dumpHive(Hive::CurrentUser), userBefore);

    // A second unregistration finds nothing to remove and succeeds.
    EXPECT_EQ(library.unregisterServer(), S_OK);
}

TEST_F(AddinRegistration, UnregisteringAloneLeavesOnlyTheKeysNeverRemoved) {
    AddinLibrary library;
    ASSERT_TRUE(library.loaded()) << AddinLibrary::error();
    ASSERT_EQ(library.registerServer(), S_OK);
    ASSERT_EQ(library.unregisterServer(), S_OK);
    EXPECT_EQ(dumpHive(Hive::ClassesRoot), (HiveDump{{"CLSID", {}}, {"TypeLib", {}}}));
    EXPECT_EQ(dumpHive(Hive::CurrentUser), HiveDump{});
}

// A copy of the built library at another path, loaded from there.
class PlacedLibrary {
public:
    PlacedLibrary(const std::filesystem::path& folder, const std::string& fileName) {
        std::filesystem::create_directories(folder);
        path_ = folder / fileName;
        std::filesystem::copy_file(kBuiltModule, path_);
        library_ = std::make_unique<AddinLibrary>(path_);
    }
    const std::filesystem::path& path() const { return path_; }
    AddinLibrary& library() { return *library_; }

private:
    std::filesystem::path path_;
    std::unique_ptr<AddinLibrary> library_;
};

TEST_F(AddinRegistration, APathWithASingleQuoteIsWrittenAsItIs) {
    ostrel::test::TemporaryFolder folder;
    PlacedLibrary placed(folder.path() / "Bob's add-ins", "KestrineWord.so");
    ASSERT_TRUE(placed.library().loaded()) << AddinLibrary::error();
    ASSERT_EQ(placed.library().registerServer(), S_OK);
    EXPECT_EQ(registry.getString(Hive::ClassesRoot, "CLSID\\" + kClsid + "\\InprocServer32", ""),
              placed.path().string());
    EXPECT_EQ(registry.getString(Hive::ClassesRoot, "TypeLib\\" + kLibid + "\\1.0\\0\\win32", ""),
              placed.path().string());
}

// Folders that make the library's path exactly `length` characters long.
std::filesystem::path folderForPathLength(std::filesystem::path folder, std::size_t length,
                                          const std::string& fileName) {
    std::size_t remaining = length - (folder.string().size() + 1 + fileName.size());
    if (remaining == 1) {
        folder += "x";
        remaining = 0;
    }
    while (remaining > 0) {
        std::size_t part = std::min<std::size_t>(100, remaining - 1);
        if (remaining - (part + 1) == 1) {
            --part; // never leave a single character to fill
        }
        folder /= std::string(part, 'p');
        remaining -= part + 1;
    }
    return folder;
}

TEST_F(AddinRegistration, ALibraryPathOf260CharactersIsRefusedAnd259Accepted) {
    ostrel::test::TemporaryFolder folder;
    const std::string name = "KestrineWord.so";

    PlacedLibrary tooLong(folderForPathLength(folder.path() / "a", 260, name), name);
    ASSERT_EQ(tooLong.path().string().size(), 260u);
    ASSERT_TRUE(tooLong.library().loaded()) << AddinLibrary::error();
    EXPECT_EQ(tooLong.library().registerServer(), hr(0x8007007A));
    EXPECT_EQ(tooLong.library().unregisterServer(), hr(0x8007007A));
    EXPECT_EQ(dumpHive(Hive::ClassesRoot), HiveDump{});
    EXPECT_EQ(dumpHive(Hive::CurrentUser), HiveDump{});

    PlacedLibrary fits(folderForPathLength(folder.path() / "b", 259, name), name);
    ASSERT_EQ(fits.path().string().size(), 259u);
    ASSERT_TRUE(fits.library().loaded()) << AddinLibrary::error();
    EXPECT_EQ(fits.library().registerServer(), S_OK);
    EXPECT_EQ(registry.getString(Hive::ClassesRoot, "CLSID\\" + kClsid + "\\InprocServer32", ""),
              fits.path().string());
}

TEST_F(AddinRegistration, AnUnreadableHiveFailsRegistrationAndIsLeftAlone) {
    AddinLibrary library;
    ASSERT_TRUE(library.loaded()) << AddinLibrary::error();
    const std::filesystem::path hive = registryFolder.registry() / "HKCU.reg";
    {
        std::ofstream broken(hive);
        broken << "this is not a registry file\n";
    }
    const HRESULT answer = library.registerServer();
    EXPECT_TRUE(FAILED(answer));
    EXPECT_EQ(ostrel::test::readText(hive), "this is not a registry file\n");
}

} // namespace
} // namespace addintest
