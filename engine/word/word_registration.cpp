#include "word_registration.h"

#include "com/guid.h"
#include "registry/registry.h"
#include "system/module_path.h"
#include "word_automation.h"

#include <QString>

#include <dlfcn.h>

#include <algorithm>
#include <string>

namespace ostrel::word {

namespace {

namespace fs = std::filesystem;

bool isWithin(const fs::path& file, const fs::path& folder) {
    std::error_code error;
    const fs::path base = fs::weakly_canonical(folder, error);
    if (error || base.empty()) {
        return false;
    }
    const auto [end, _] = std::mismatch(base.begin(), base.end(), file.begin(), file.end());
    return end == base.end();
}

// The library registered for the ProgID, or nothing when the name is not registered.
std::optional<fs::path> registeredLibrary() {
    const QString name = QString::fromLatin1(kProgId);
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(name.utf16()), &clsid))) {
        return std::nullopt;
    }
    const std::string key = "CLSID\\" + com::guidToString(clsid) + "\\InprocServer32";
    const auto library =
        registry::Registry().getString(registry::Hive::ClassesRoot, key, std::string());
    return library ? std::optional(fs::path(*library)) : std::optional(fs::path());
}

HRESULT registerLibrary(const fs::path& library) {
    // Kept loaded: the COM runtime loads the same library again to create the object.
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle == nullptr) {
        return CO_E_DLLNOTFOUND;
    }
    const auto registerServer =
        reinterpret_cast<PFN_DllRegisterServer>(dlsym(handle, "DllRegisterServer"));
    const HRESULT status = registerServer != nullptr ? registerServer() : CO_E_ERRORINDLL;
    dlclose(handle);
    return status;
}

} // namespace

std::vector<fs::path> knownServerLibraries() {
    const fs::path built = OSTREL_WORD_SERVER_BUILD_PATH;
    // Installed, the server lies beside our runtime library, wherever the tree was put.
    const fs::path runtime = ostrel::modulePath(reinterpret_cast<const void*>(&ostrel::modulePath));
    const fs::path installed = runtime.parent_path() / OSTREL_WORD_SERVER_FILE_NAME;
    if (isWithin(runtime, OSTREL_BUILD_DIR)) {
        return {built};
    }
    return {installed};
}

HRESULT ensureServerRegistered(const std::vector<fs::path>& libraries) {
    if (const auto current = registeredLibrary()) {
        std::error_code error;
        if (!current->empty() && fs::exists(*current, error)) {
            return S_OK;
        }
    }
    HRESULT status = CO_E_DLLNOTFOUND;
    for (const fs::path& library : libraries) {
        std::error_code error;
        if (fs::exists(library, error)) {
            status = registerLibrary(library);
            if (SUCCEEDED(status)) {
                break;
            }
        }
    }
    return status;
}

} // namespace ostrel::word
