// A tiny in-process COM server for the runtime's tests: "Ostrel.TestServer" (through
// CurVer "Ostrel.TestServer.1"), an IDispatch object with a few members, registered by
// its own DllRegisterServer in the registry the environment names.
#include "test_server.h"

#include "com/dispatch_server.h"
#include "com/guid.h"
#include "com/object.h"
#include "registry/registrar.h"
#include "system/module_path.h"

extern "C" {
HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT DllCanUnloadNow();
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
}

namespace {

using namespace ostrel::com;
using ostrel::modulePath;
using ostrel::registry::escapeQuotes;
using ostrel::registry::Registrar;
using ostrel::registry::Registry;

ModuleCount module;

class TestObject final : public DispatchObject<IDispatch> {
protected:
    HRESULT invoke(DispatchCall& call) override {
        switch (call.member()) {
        case testserver::kAdd: {
            const auto a = call.intArg(0);
            const auto b = call.intArg(1);
            if (!a) {
                return call.typeMismatch(0);
            }
            if (!b) {
                return call.typeMismatch(1);
            }
            return call.setResult(Variant::i4(*a + *b));
        }
        case testserver::kName:
            if (call.isPut()) {
                const auto text = call.stringArg(0);
                if (!text) {
                    return call.typeMismatch(0);
                }
                name_ = *text;
                return S_OK;
            }
            return call.setResult(Variant::text(name_));
        case testserver::kFail:
            return call.exception(QStringLiteral("TestServer"),
                                  QStringLiteral("deliberate failure"));
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    ModuleLock lock_{module};
    QString name_ = QStringLiteral("initial");
};

std::string libraryPath() {
    return modulePath(reinterpret_cast<const void*>(&DllGetClassObject)).string();
}

} // namespace

extern "C" HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (rclsid != testserver::kClsid) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto factory = make<ClassFactory<TestObject>>(module);
    return factory ? factory->QueryInterface(riid, ppv) : E_OUTOFMEMORY;
}

extern "C" HRESULT DllCanUnloadNow() {
    return module.canUnload() ? S_OK : S_FALSE;
}

constexpr std::string_view kScript = R"(
HKCR
{
    ForceRemove Ostrel.TestServer.1 = s 'Test Server'
    {
        CLSID = s '%CLSID%'
    }
    ForceRemove Ostrel.TestServer = s 'Test Server'
    {
        CurVer = s 'Ostrel.TestServer.1'
    }
    NoRemove CLSID
    {
        ForceRemove %CLSID% = s 'Test Server'
        {
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
        }
    }
}
)";

HRESULT applyScript(bool registering) {
    const std::string path = libraryPath();
    if (path.empty()) {
        return E_UNEXPECTED;
    }
    Registry registry;
    Registrar registrar(registry);
    registrar.bind("Module", escapeQuotes(path));
    registrar.bind("CLSID", guidToString(testserver::kClsid));
    return registering ? registrar.registerScript(kScript) : registrar.unregisterScript(kScript);
}

extern "C" HRESULT DllRegisterServer() {
    return applyScript(true);
}

extern "C" HRESULT DllUnregisterServer() {
    return applyScript(false);
}
