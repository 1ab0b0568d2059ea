// The add-in library loaded the way a COM client loads it (dlopen by path), with its
// four entry points.
#pragma once

#include "com/com.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>

namespace addintest {

inline const std::filesystem::path kBuiltModule = KESTRINE_MODULE;

class AddinLibrary {
public:
    explicit AddinLibrary(const std::filesystem::path& path = kBuiltModule)
        : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    AddinLibrary(const AddinLibrary&) = delete;
    AddinLibrary& operator=(const AddinLibrary&) = delete;
    ~AddinLibrary() {
        if (handle_ != nullptr) {
            dlclose(handle_);
        }
    }

    bool loaded() const { return handle_ != nullptr; }
    static std::string error() {
        const char* text = dlerror();
        return text != nullptr ? text : "";
    }

    HRESULT canUnloadNow() const { return entry<PFN_DllCanUnloadNow>("DllCanUnloadNow")(); }
    HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object) const {
        return entry<PFN_DllGetClassObject>("DllGetClassObject")(clsid, iid, object);
    }
    HRESULT registerServer() const { return entry<PFN_DllRegisterServer>("DllRegisterServer")(); }
    HRESULT unregisterServer() const {
        return entry<PFN_DllUnregisterServer>("DllUnregisterServer")();
    }

private:
    template <class F> F entry(const char* name) const {
        return reinterpret_cast<F>(dlsym(handle_, name));
    }

    void* handle_;
};

} // namespace addintest
