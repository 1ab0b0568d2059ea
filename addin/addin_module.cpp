#include "addin_module.h"

#include "class_factory.h"
#include "kestrine.h"

#include <dlfcn.h>

namespace kestrine {

AddinModule& AddinModule::instance() {
    // Lives from the library's load to its unload.
    static AddinModule module;
    return module;
}

AddinModule::~AddinModule() {
    if (WordAddinClassFactory* cached = classObject_.exchange(nullptr)) {
        cached->Release();
    }
}

HRESULT AddinModule::getClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (clsid != CLSID_WordAddin) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    WordAddinClassFactory* factory = classObject_.load();
    if (factory == nullptr) {
        const std::lock_guard guard(classObjectLock_);
        factory = classObject_.load();
        if (factory == nullptr) {
            factory = new (std::nothrow) WordAddinClassFactory;
            if (factory == nullptr) {
                return E_OUTOFMEMORY;
            }
            classObject_.store(factory);
        }
    }
    return factory->QueryInterface(iid, object);
}

std::optional<std::filesystem::path> AddinModule::modulePath() {
    static const char anchor = 0; // any address inside this library
    Dl_info info{};
    if (dladdr(&anchor, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0') {
        return std::nullopt;
    }
    // The loader keeps the name it was given; a relative one is taken from the working
    // folder, which the loading program has not left in the meantime.
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(info.dli_fname, error);
    if (error) {
        return std::nullopt;
    }
    return path.lexically_normal();
}

QString AddinModule::moduleTitle() {
    const auto path = modulePath();
    return path ? QString::fromStdString(path->stem().string()) : QStringLiteral("KestrineWord");
}

} // namespace kestrine
