// CoCreateInstance end to end: a real server library, registered by ostrel-regsvr
// through its own DllRegisterServer into a private registry, loaded, called, unloaded.
#include "environment.h"
#include "programs.h"
#include "test_server.h"

#include "com/bstr.h"
#include "com/comptr.h"
#include "com/dispatch.h"
#include "com/guid.h"
#include "com/runtime.h"
#include "registry/registry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace ostrel::com;
using ostrel::registry::Hive;
using ostrel::registry::Registry;

namespace {

const std::string kServer = OSTREL_TEST_SERVER;
const std::string kRegsvr = OSTREL_REGSVR;
const std::string kNotAServer = OSTREL_NOT_A_SERVER; // a real library without the entries

bool serverLoaded() {
    void* handle = dlopen(kServer.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

HRESULT createByProgId(const char16_t* progId, ComPtr<IDispatch>& out) {
    CLSID clsid{};
    const HRESULT found = CLSIDFromProgID(progId, &clsid);
    if (FAILED(found)) {
        return found;
    }
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, out.putVoid());
}

class Apartment {
public:
    Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    ~Apartment() { CoUninitialize(); }
};

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ostrel::test::run({kRegsvr, kServer}), 0); }
    void TearDown() override { CoFreeUnusedLibraries(); }

    ostrel::test::PrivateFolders registry_;
    Apartment apartment_;
};

TEST_F(ServerTest, RegistrationWritesTheServerPathAndCreationFollowsIt) {
    Registry registry;
    EXPECT_EQ(registry.getString(Hive::ClassesRoot,
                                 "CLSID\\" + guidToString(testserver::kClsid) + "\\InprocServer32",
                                 ""),
              kServer);

    ComPtr<IDispatch> object;
    ASSERT_EQ(createByProgId(u"Ostrel.TestServer", object), S_OK) << lastLoadError();
    ASSERT_TRUE(object);
    std::vector<Variant> args{Variant::i4(40), Variant::flag(true)};
    DispatchResult sum = invokeMethod(object.get(), testserver::kAdd, args);
    ASSERT_EQ(sum.hr, S_OK);
    EXPECT_EQ(sum.value.vt(), VT_I4);
    EXPECT_EQ(sum.value.toInt32(), 39);

    ASSERT_EQ(putProperty(object.get(), testserver::kName, Variant::text(u"changed")).hr, S_OK);
    EXPECT_EQ(getProperty(object.get(), testserver::kName).value.toQString(), u"changed");

    DispatchResult failure = invokeMethod(object.get(), testserver::kFail);
    EXPECT_EQ(failure.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(failure.exception.description, u"deliberate failure");
    EXPECT_EQ(failure.exception.source, u"TestServer");
}

TEST_F(ServerTest, ARelativeLibraryPathIsRegisteredAbsolute) {
    const std::filesystem::path server(kServer);
    ASSERT_EQ(ostrel::test::run({kRegsvr, "./" + server.filename().string()}, {}, {},
                                server.parent_path()),
              0);
    const Registry registry;
    EXPECT_EQ(registry.getString(Hive::ClassesRoot,
                                 "CLSID\\" + guidToString(testserver::kClsid) + "\\InprocServer32",
                                 ""),
              kServer);
}

TEST_F(ServerTest, CreatesByProgIdThroughTheHelper) {
    ComPtr<IDispatch> object;
    ASSERT_EQ(createInstance("Ostrel.TestServer", object), S_OK);
    EXPECT_EQ(getProperty(object.get(), testserver::kName).value.toQString(), u"initial");
    EXPECT_EQ(createInstance("Ostrel.Missing", object), CO_E_CLASSSTRING);
    EXPECT_FALSE(object);
}

TEST_F(ServerTest, ObjectsOfTwoCreationsAreDistinct) {
    ComPtr<IDispatch> first;
    ComPtr<IDispatch> second;
    ASSERT_EQ(createByProgId(u"Ostrel.TestServer.1", first), S_OK);
    ASSERT_EQ(createByProgId(u"Ostrel.TestServer", second), S_OK);
    EXPECT_NE(first.get(), second.get());
    ASSERT_EQ(putProperty(first.get(), testserver::kName, Variant::text(u"one")).hr, S_OK);
    EXPECT_EQ(getProperty(second.get(), testserver::kName).value.toQString(), u"initial");
}

TEST_F(ServerTest, LibraryStaysWhileObjectsLiveAndUnloadsAfterwards) {
    ComPtr<IDispatch> object;
    ASSERT_EQ(createByProgId(u"Ostrel.TestServer", object), S_OK);
    ASSERT_TRUE(serverLoaded());
    CoFreeUnusedLibraries();
    EXPECT_TRUE(serverLoaded()) << "unloaded while an object lived";
    EXPECT_EQ(getProperty(object.get(), testserver::kName).value.toQString(), u"initial");

    object.reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(serverLoaded());

    // Loads again on the next creation.
    ASSERT_EQ(createByProgId(u"Ostrel.TestServer", object), S_OK);
    EXPECT_TRUE(serverLoaded());
}

TEST_F(ServerTest, AHeldClassObjectKeepsTheLibraryLoaded) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(testserver::kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               factory.putVoid()),
              S_OK);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(serverLoaded());
    factory.reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(serverLoaded());
}

TEST_F(ServerTest, AggregationIsRefused) {
    ComPtr<IDispatch> outer;
    ASSERT_EQ(createByProgId(u"Ostrel.TestServer", outer), S_OK);
    void* inner = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CoCreateInstance(testserver::kClsid, outer.get(), CLSCTX_INPROC_SERVER, IID_IUnknown,
                               &inner),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(inner, nullptr);
}

TEST_F(ServerTest, UnregistrationRemovesTheClass) {
    ASSERT_EQ(ostrel::test::run({kRegsvr, "-u", kServer}), 0);
    ComPtr<IDispatch> object;
    EXPECT_EQ(createByProgId(u"Ostrel.TestServer", object), CO_E_CLASSSTRING);
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(
        CoCreateInstance(testserver::kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &out),
        REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);
}

TEST_F(ServerTest, CreationNeedsAnApartmentOnTheThread) {
    HRESULT onOtherThread = S_OK;
    std::thread([&] {
        ComPtr<IDispatch> object;
        onOtherThread = CoCreateInstance(testserver::kClsid, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IDispatch, object.putVoid());
    }).join();
    EXPECT_EQ(onOtherThread, CO_E_NOTINITIALIZED);
}

TEST(ServerLoading, LoadFailuresAreReported) {
    ostrel::test::PrivateFolders privateRegistry;
    Apartment apartment;
    Registry registry;
    const CLSID missing = *guidFromString("{11111111-2222-3333-4444-555555555555}");
    const CLSID broken = *guidFromString("{11111111-2222-3333-4444-666666666666}");
    const CLSID notAServer = *guidFromString("{11111111-2222-3333-4444-777777777777}");
    ASSERT_EQ(registry.setString(Hive::ClassesRoot,
                                 "CLSID\\" + guidToString(missing) + "\\InprocServer32", "",
                                 (privateRegistry.registry() / "absent.so").string()),
              S_OK);
    const auto garbage = privateRegistry.registry() / "garbage.so";
    {
        FILE* file = std::fopen(garbage.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs("not a library", file);
        std::fclose(file);
    }
    ASSERT_EQ(registry.setString(Hive::ClassesRoot,
                                 "CLSID\\" + guidToString(broken) + "\\InprocServer32", "",
                                 garbage.string()),
              S_OK);
    ASSERT_EQ(registry.setString(Hive::ClassesRoot,
                                 "CLSID\\" + guidToString(notAServer) + "\\InprocServer32", "",
                                 kNotAServer),
              S_OK);

    ComPtr<IUnknown> object;
    EXPECT_EQ(
        CoCreateInstance(missing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid()),
        CO_E_DLLNOTFOUND);
    EXPECT_EQ(
        CoCreateInstance(broken, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid()),
        CO_E_ERRORINDLL);
    EXPECT_FALSE(lastLoadError().empty());
    EXPECT_EQ(
        CoCreateInstance(notAServer, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid()),
        CO_E_ERRORINDLL);
    EXPECT_EQ(CoCreateInstance(testserver::kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               object.putVoid()),
              REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(object);
}

TEST(ProgId, FollowsCurVerButNotInCircles) {
    ostrel::test::PrivateFolders privateRegistry;
    Registry registry;
    ASSERT_EQ(registry.setString(Hive::ClassesRoot, "Loop.A\\CurVer", "", "Loop.B"), S_OK);
    ASSERT_EQ(registry.setString(Hive::ClassesRoot, "Loop.B\\CurVer", "", "Loop.A"), S_OK);
    ASSERT_EQ(registry.setString(Hive::ClassesRoot, "Bad.Id\\CLSID", "", "not a guid"), S_OK);
    ASSERT_EQ(registry.setString(Hive::ClassesRoot, "Chain.1\\CLSID", "",
                                 "{11111111-2222-3333-4444-555555555555}"),
              S_OK);
    ASSERT_EQ(registry.setString(Hive::ClassesRoot, "Chain\\CurVer", "", "chain.1"), S_OK);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Loop.A", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(u"Bad.Id", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(u"", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(u"CHAIN", &clsid), S_OK);
    EXPECT_EQ(guidToString(clsid), "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
}

TEST(Regsvr, ExitCodesFollowTheOutcome) {
    ostrel::test::PrivateFolders privateRegistry;
    EXPECT_EQ(ostrel::test::run({kRegsvr}), 1);
    EXPECT_EQ(ostrel::test::run({kRegsvr, (privateRegistry.registry() / "absent.so").string()}), 3);
    EXPECT_EQ(ostrel::test::run({kRegsvr, kNotAServer}), 4);
    // A hive that cannot be read makes registration fail, and stays as it was.
    const auto hive = privateRegistry.registry() / "HKCR.reg";
    {
        FILE* file = std::fopen(hive.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs("garbage\n", file);
        std::fclose(file);
    }
    EXPECT_EQ(ostrel::test::run({kRegsvr, kServer}), 5);
    EXPECT_EQ(ostrel::test::readText(hive), "garbage\n");
}

} // namespace
