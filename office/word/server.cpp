// The in-process server's entry points: the class object of "Word.Application" and its
// registration in our registry.
#include "com/guid.h"
#include "registry/registrar.h"
#include "system/module_path.h"
#include "word/office_pool.h"
#include "word/word_objects.h"

#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

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

// The ProgID and the class, served from this library's file. Unregistering removes both
// keys with everything below them.
constexpr std::string_view kClassScript = R"(
HKCR
{
    ForceRemove %PROGID% = s '%DESCRIPTION%'
    {
        CLSID = s '%CLSID%'
    }
    NoRemove CLSID
    {
        ForceRemove %CLSID% = s '%DESCRIPTION%'
        {
            ProgID = s '%PROGID%'
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Both'
            }
        }
    }
}
)";

HRESULT applyClassScript(bool registering) {
    const std::string path = modulePath(reinterpret_cast<const void*>(&applyClassScript)).string();
    if (path.empty()) {
        return E_UNEXPECTED;
    }
    registry::Registry reg;
    registry::Registrar registrar(reg);
    registrar.bind("Module", registry::escapeQuotes(path));
    registrar.bind("ProgID", kProgId);
    registrar.bind("CLSID", com::guidToString(kClassId));
    registrar.bind("Description", kDescription);
    return registering ? registrar.registerScript(kClassScript)
                       : registrar.unregisterScript(kClassScript);
}

} // namespace
} // namespace ostrel::word

extern "C" {

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (rclsid != ostrel::word::kClassId) {
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
        return ostrel::word::applyClassScript(true);
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT DllUnregisterServer() {
    try {
        return ostrel::word::applyClassScript(false);
    } catch (...) {
        return E_FAIL;
    }
}
}
