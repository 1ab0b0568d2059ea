// Apartments, class registration lookups and in-process server loading.
#include "com/runtime.h"

#include "com/guid.h"
#include "registry/registry.h"

#include <QString>

#include <dlfcn.h>
#include <sys/stat.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

// The apartment of the calling thread: how often it was initialised, and in which model.
struct Apartment {
    int initialisations = 0;
    DWORD model = COINIT_APARTMENTTHREADED;
};
thread_local Apartment apartment;
thread_local std::string loadError;

bool threadHasApartment() {
    return apartment.initialisations > 0;
}

// The process-wide table of in-process servers loaded by CoGetClassObject. One mutex
// (recursive: a server may create objects of other servers while it is asked for a
// class object) serialises loading, class object requests and unloading, so that no
// library is closed while one of its entry points runs.
struct LoadedServer {
    std::string path;
    void* handle = nullptr;
    PFN_DllGetClassObject getClassObject = nullptr;
    PFN_DllCanUnloadNow canUnloadNow = nullptr;
};

struct ServerTable {
    std::recursive_mutex mutex;
    std::vector<LoadedServer> servers;
};

ServerTable& serverTable() {
    static ServerTable table;
    return table;
}

std::string utf8(LPCOLESTR text) {
    std::size_t length = 0;
    while (text[length] != u'\0') {
        ++length;
    }
    return QString::fromUtf16(text, static_cast<qsizetype>(length)).toStdString();
}

std::string dlerrorText() {
    const char* message = dlerror();
    return message == nullptr ? std::string("unknown loader error") : std::string(message);
}

// The InprocServer32 path of a class, unquoted, or nothing when it is not registered.
std::optional<std::string> inprocServerPath(REFCLSID clsid) {
    const ostrel::registry::Registry registry;
    auto path =
        registry.getString(ostrel::registry::Hive::ClassesRoot,
                           "CLSID\\" + ostrel::com::guidToString(clsid) + "\\InprocServer32", "");
    if (path && path->size() >= 2 && path->front() == '"' && path->back() == '"') {
        *path = path->substr(1, path->size() - 2);
    }
    if (path && path->empty()) {
        return std::nullopt;
    }
    return path;
}

// Finds or loads the server library; answers CO_E_DLLNOTFOUND or CO_E_ERRORINDLL.
HRESULT loadServer(const std::string& path, LoadedServer** out) {
    auto& servers = serverTable().servers;
    for (auto& server : servers) {
        if (server.path == path) {
            *out = &server;
            return S_OK;
        }
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        loadError = dlerrorText();
        struct stat info {};
        // A file that is there but does not load is a broken library; anything else
        // means the library was not found.
        return stat(path.c_str(), &info) == 0 ? CO_E_ERRORINDLL : CO_E_DLLNOTFOUND;
    }
    LoadedServer server;
    server.path = path;
    server.handle = handle;
    server.getClassObject =
        reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle, "DllGetClassObject"));
    server.canUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(handle, "DllCanUnloadNow"));
    if (server.getClassObject == nullptr) {
        loadError = path + ": no DllGetClassObject";
        dlclose(handle);
        return CO_E_ERRORINDLL;
    }
    servers.push_back(server);
    *out = &servers.back();
    return S_OK;
}

} // namespace

HRESULT CoInitializeEx(void* pvReserved, DWORD dwCoInit) {
    if (pvReserved != nullptr) {
        return E_INVALIDARG;
    }
    const DWORD model = (dwCoInit & COINIT_APARTMENTTHREADED) != 0 ? COINIT_APARTMENTTHREADED
                                                                   : COINIT_MULTITHREADED;
    if (apartment.initialisations == 0) {
        apartment.model = model;
        apartment.initialisations = 1;
        return S_OK;
    }
    if (apartment.model != model) {
        return RPC_E_CHANGED_MODE;
    }
    ++apartment.initialisations;
    return S_FALSE;
}

void CoUninitialize() {
    if (apartment.initialisations > 0) {
        --apartment.initialisations;
    }
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid) {
    if (lpszProgID == nullptr || lpclsid == nullptr) {
        return E_INVALIDARG;
    }
    *lpclsid = GUID_NULL;
    const ostrel::registry::Registry registry;
    std::string progId = utf8(lpszProgID);
    if (progId.empty() || progId.find('\\') != std::string::npos) {
        return CO_E_CLASSSTRING;
    }
    // A version-independent ProgID may name its class only through CurVer; the bound
    // stops a CurVer loop.
    for (int hop = 0; hop < 8; ++hop) {
        using ostrel::registry::Hive;
        if (const auto text = registry.getString(Hive::ClassesRoot, progId + "\\CLSID", "")) {
            const auto clsid = ostrel::com::guidFromString(*text);
            if (!clsid) {
                return CO_E_CLASSSTRING;
            }
            *lpclsid = *clsid;
            return S_OK;
        }
        const auto current = registry.getString(Hive::ClassesRoot, progId + "\\CurVer", "");
        if (!current || current->empty() || current->find('\\') != std::string::npos) {
            break;
        }
        progId = *current;
    }
    return CO_E_CLASSSTRING;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pvReserved, REFIID riid,
                         void** ppv) {
    if (ppv == nullptr) {
        return E_INVALIDARG;
    }
    *ppv = nullptr;
    if (pvReserved != nullptr) {
        return E_INVALIDARG;
    }
    if (!threadHasApartment()) {
        return CO_E_NOTINITIALIZED;
    }
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) {
        return REGDB_E_CLASSNOTREG; // only in-process servers exist here
    }
    const auto path = inprocServerPath(rclsid);
    if (!path) {
        return REGDB_E_CLASSNOTREG;
    }
    auto& table = serverTable();
    const std::lock_guard lock(table.mutex);
    LoadedServer* server = nullptr;
    const HRESULT loaded = loadServer(*path, &server);
    if (FAILED(loaded)) {
        return loaded;
    }
    return server->getClassObject(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    const HRESULT got = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                         reinterpret_cast<void**>(&factory));
    if (FAILED(got)) {
        return got;
    }
    if (factory == nullptr) {
        return E_UNEXPECTED; // a server that answered success without an object
    }
    const HRESULT created = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return created;
}

void CoFreeUnusedLibraries() {
    auto& table = serverTable();
    const std::lock_guard lock(table.mutex);
    auto& servers = table.servers;
    for (auto it = servers.begin(); it != servers.end();) {
        // A server without DllCanUnloadNow stays loaded for the life of the process.
        if (it->canUnloadNow != nullptr && it->canUnloadNow() == S_OK) {
            dlclose(it->handle);
            it = servers.erase(it);
        } else {
            ++it;
        }
    }
}

namespace ostrel::com {

std::string lastLoadError() {
    return loadError;
}

HRESULT createInstanceByProgId(std::string_view progId, REFIID iid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    const QString name = QString::fromUtf8(progId.data(), static_cast<qsizetype>(progId.size()));
    CLSID clsid{};
    const HRESULT found = CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(name.utf16()), &clsid);
    if (FAILED(found)) {
        return found;
    }
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}

} // namespace ostrel::com
