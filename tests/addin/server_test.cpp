// The add-in library as a COM server: its class object, the object's interfaces, its
// aggregation and its type information.
#include "addin_library.h"

#include "environment.h"

#include "com/comptr.h"
#include "com/object.h"
#include "contract/office.h"
#include "kestrine.h"
#include "registry/registry.h"

#include <gtest/gtest.h>

namespace addintest {
namespace {

using kestrine::CLSID_WordAddin;
using ostrel::com::ComPtr;
using ostrel::registry::Hive;

class AddinServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.loaded()) << AddinLibrary::error();
        ASSERT_EQ(library.canUnloadNow(), S_OK);
    }
    void TearDown() override { EXPECT_EQ(library.canUnloadNow(), S_OK); }

    ComPtr<IClassFactory> classObject() {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(library.getClassObject(CLSID_WordAddin, IID_IClassFactory, factory.putVoid()),
                  S_OK);
        return factory;
    }

    template <class T> ComPtr<T> createAddin() {
        ComPtr<T> object;
        EXPECT_EQ(classObject()->CreateInstance(nullptr, ostrel::com::iidOf<T>(), object.putVoid()),
                  S_OK);
        return object;
    }

    ostrel::test::PrivateFolders registryFolder;
    AddinLibrary library;
};

TEST_F(AddinServer, TheClassObjectIsCreatedOnceAndKeepsTheLibraryWhileHeld) {
    ComPtr<IClassFactory> first = classObject();
    ComPtr<IUnknown> second;
    ASSERT_EQ(library.getClassObject(CLSID_WordAddin, IID_IUnknown, second.putVoid()), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(first.get()), second.get());
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);
    first = nullptr;
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);
    second = nullptr;
    EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST_F(AddinServer, AnotherClassOrANullOutPointerIsRefused) {
    const CLSID other{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(library.getClassObject(other, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(library.getClassObject(CLSID_WordAddin, IID_IClassFactory, nullptr), E_POINTER);
    object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(library.getClassObject(CLSID_WordAddin, IWordAddin::iid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

TEST_F(AddinServer, LockServerHoldsTheLibraryUntilReleased) {
    classObject()->LockServer(TRUE);
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);
    classObject()->LockServer(FALSE);
    EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST_F(AddinServer, EveryLiveObjectHoldsTheLibrary) {
    ComPtr<IWordAddin> addin = createAddin<IWordAddin>();
    ASSERT_TRUE(addin);
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);
    addin = nullptr;
    EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST_F(AddinServer, CreateInstanceChecksItsArguments) {
    ComPtr<IClassFactory> factory = classObject();
    EXPECT_EQ(factory->CreateInstance(nullptr, IWordAddin::iid, nullptr), E_POINTER);
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

TEST_F(AddinServer, TheInterfaceTableAnswersAsTheObjectDeclares) {
    ComPtr<IUnknown> identity = createAddin<IUnknown>();
    ComPtr<IWordAddin> addin = identity.as<IWordAddin>();
    ComPtr<IDispatch> dispatch = identity.as<IDispatch>();
    ComPtr<_IDTExtensibility2> extensibility = identity.as<_IDTExtensibility2>();
    ComPtr<ISupportErrorInfo> errorInfo = identity.as<ISupportErrorInfo>();
    ASSERT_TRUE(addin && dispatch && extensibility && errorInfo);

    // IUnknown is the IWordAddin part; IDispatch is the _IDTExtensibility2 part.
    EXPECT_EQ(identity.get(), static_cast<IUnknown*>(addin.get()));
    EXPECT_EQ(dispatch.get(), static_cast<IDispatch*>(extensibility.get()));
    EXPECT_NE(dispatch.get(), static_cast<IDispatch*>(addin.get()));
    EXPECT_EQ(errorInfo.as<IUnknown>().get(), identity.get());
    EXPECT_FALSE(identity.as<IClassFactory>());
    EXPECT_FALSE(identity.as<IConnectionPointContainer>());

    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IWordAddin::iid), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(_IDTExtensibility2::iid), S_FALSE);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
}

TEST_F(AddinServer, TheUnusedNotificationsAreNotImplemented) {
    ComPtr<_IDTExtensibility2> addin = createAddin<_IDTExtensibility2>();
    SAFEARRAY* custom = nullptr;
    EXPECT_EQ(addin->OnAddInsUpdate(&custom), E_NOTIMPL);
    EXPECT_EQ(addin->OnStartupComplete(&custom), E_NOTIMPL);
    EXPECT_EQ(addin->OnBeginShutdown(&custom), E_NOTIMPL);
    // Never connected: disconnection still answers S_OK.
    EXPECT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
}

TEST_F(AddinServer, ConnectingWithoutAWordApplicationCreatesNothing) {
    ComPtr<_IDTExtensibility2> addin = createAddin<_IDTExtensibility2>();
    EXPECT_EQ(addin->OnConnection(nullptr, ext_cm_Startup, nullptr, nullptr), E_POINTER);
    // An object that is not Word's application.
    ComPtr<IDispatch> notWord = addin.as<IDispatch>();
    EXPECT_EQ(addin->OnConnection(notWord.get(), ext_cm_Startup, nullptr, nullptr), E_NOINTERFACE);
}

// An object that aggregates the add-in and counts its own references.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }

    ULONG references = 1;
    ComPtr<IUnknown> inner;
};

TEST_F(AddinServer, AggregationAsksForIUnknownAndForwardsEveryPartToTheOuterObject) {
    ComPtr<IClassFactory> factory = classObject();
    Outer outer;
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(library.canUnloadNow(), S_FALSE); // the factory is still held

    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, outer.inner.putVoid()), S_OK);
    EXPECT_EQ(outer.references, 1u);

    // The inner IUnknown answers the table; the parts count on the outer object.
    IWordAddin* part = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IWordAddin::iid, reinterpret_cast<void**>(&part)), S_OK);
    EXPECT_EQ(outer.references, 2u);
    IUnknown* identity = nullptr;
    ASSERT_EQ(part->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, &outer);
    EXPECT_EQ(outer.references, 3u);
    identity->Release();
    part->Release();
    EXPECT_EQ(outer.references, 1u);

    ComPtr<IUnknown> innerAgain;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, innerAgain.putVoid()), S_OK);
    EXPECT_EQ(innerAgain.get(), outer.inner.get());
    innerAgain = nullptr;

    factory = nullptr;
    EXPECT_EQ(library.canUnloadNow(), S_FALSE); // the aggregated object lives
    outer.inner = nullptr;
}

class AddinTypeInformation : public AddinServer {
protected:
    static void registerTypeLibrary(const char* libid) {
        ostrel::registry::Registry registry;
        ASSERT_EQ(registry.createKey(Hive::ClassesRoot, std::string("TypeLib\\") + libid + "\\1.0"),
                  S_OK);
    }
};

TEST_F(AddinTypeInformation, IWordAddinIsServedFromTheRegisteredKestrineLibrary) {
    ComPtr<IWordAddin> addin = createAddin<IWordAddin>();
    UINT count = 0;
    EXPECT_EQ(addin->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(addin->GetTypeInfo(0, 0, info.put()), TYPE_E_LIBNOTREGISTERED);
    EXPECT_FALSE(info);

    ASSERT_EQ(library.registerServer(), S_OK);
    EXPECT_EQ(addin->GetTypeInfo(0, 0, info.put()), S_OK);
    EXPECT_TRUE(info);
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);
    info = nullptr;
    EXPECT_EQ(addin->GetTypeInfo(1, 0, info.put()), hr(0x8002000B)); // DISP_E_BADINDEX

    // No members of its own.
    char16_t name[] = u"OnConnection";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(addin->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(addin->Invoke(1, GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    ASSERT_EQ(library.unregisterServer(), S_OK);
}

TEST_F(AddinTypeInformation, TheAddinInterfaceNeedsTheOfficeLibrary) {
    ComPtr<IDispatch> addin = createAddin<IDispatch>();
    UINT count = 0;
    EXPECT_EQ(addin->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);

    char16_t name[] = u"onStartupComplete";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(addin->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), TYPE_E_LIBNOTREGISTERED);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(addin->Invoke(4, GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              TYPE_E_LIBNOTREGISTERED);

    registerTypeLibrary("{AC0714F2-3D04-11D1-AE7D-00A0C90F26F4}");
    EXPECT_EQ(addin->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 4);
    EXCEPINFO exception{};
    EXPECT_EQ(addin->Invoke(4, GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, &exception, nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_NOTIMPL);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    EXPECT_EQ(addin->Invoke(9, GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

} // namespace
} // namespace addintest
