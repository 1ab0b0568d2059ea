// The in-process server's entry points: the class object of "Word.Application" and its
// registration in our registry.
#include "com/guid.h"
#include "registry/registry.h"
#include "system/module_path.h"
#include "word/office_pool.h"
#include "word/word_objects.h"

#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>

namespace ostrel::word {
namespace {

constexpr const char* kDescription = "Word.Application (LibreOffice Writer)";

// Creates applications; each creation takes an office from the pool (starting one when
// none is ready), and a failure to start one is the creation's failure. A client's
// LockServer also holds the pool: while it is locked, offices are kept for the next
// application and one is started ahead of time.
class ApplicationFactory final : public com::Implements<IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = nullptr;
        if (pUnkOuter != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        WordApplication* application = nullptr;
        try {
            application = new WordApplication();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return CO_E_SERVER_EXEC_FAILURE;
        }
        const HRESULT result = application->QueryInterface(riid, ppvObject);
        application->Release();
        return result;
    }

    HRESULT LockServer(BOOL fLock) override {
        if (fLock != FALSE) {
            try {
                OfficePool::instance().hold();
            } catch (const std::exception&) {
                return E_OUTOFMEMORY; // no thread for the pool's keeper
            }
            wordModule().lock();
        } else {
            OfficePool::instance().release();
            wordModule().unlock();
        }
        return S_OK;
    }

private:
    com::ModuleLock lock_{wordModule()}; // a client holding the class object keeps us loaded
};

HRESULT registerServer();

HRESULT registerServer() {
    const std::string path = modulePath(reinterpret_cast<const void*>(&registerServer)).string();
    if (path.empty()) {
        return E_UNEXPECTED;
    }
    using registry::Hive;
    registry::Registry reg;
    const std::string clsidKey = std::string("CLSID\\") + com::guidToString(classId);
    for (HRESULT step : {
             reg.setString(Hive::ClassesRoot, progId, "", kDescription),
             reg.setString(Hive::ClassesRoot, std::string(progId) + "\\CLSID", "",
                           com::guidToString(classId)),
             reg.setString(Hive::ClassesRoot, clsidKey, "", kDescription),
             reg.setString(Hive::ClassesRoot, clsidKey + "\\ProgID", "", progId),
             reg.setString(Hive::ClassesRoot, clsidKey + "\\InprocServer32", "", path),
             reg.setString(Hive::ClassesRoot, clsidKey + "\\InprocServer32", "ThreadingModel",
                           "Both"),
         }) {
        if (FAILED(step)) {
            return step;
        }
    }
    return S_OK;
}

HRESULT unregisterServer() {
    using registry::Hive;
    registry::Registry reg;
    const HRESULT name = reg.deleteTree(Hive::ClassesRoot, progId);
    const HRESULT clsid =
        reg.deleteTree(Hive::ClassesRoot, std::string("CLSID\\") + com::guidToString(classId));
    return FAILED(name) ? name : clsid;
}

} // namespace
} // namespace ostrel::word

extern "C" {

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (rclsid != ostrel::word::classId) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    const auto factory = ostrel::com::make<ostrel::word::ApplicationFactory>();
    if (!factory) {
        return E_OUTOFMEMORY;
    }
    return factory->QueryInterface(riid, ppv);
}

HRESULT DllCanUnloadNow() {
    return ostrel::word::wordModule().canUnload() ? S_OK : S_FALSE;
}

HRESULT DllRegisterServer() {
    try {
        return ostrel::word::registerServer();
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT DllUnregisterServer() {
    try {
        return ostrel::word::unregisterServer();
    } catch (...) {
        return E_FAIL;
    }
}
}
