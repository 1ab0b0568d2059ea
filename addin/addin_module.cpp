#include "addin_module.h"

#include "class_factory.h"
#include "kestrine.h"

#include "system/module_path.h"

#include <utility>

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
    std::filesystem::path path = ostrel::modulePath(&anchor);
    return path.empty() ? std::nullopt : std::optional(std::move(path));
}

QString AddinModule::moduleTitle() {
    const auto path = modulePath();
    return path ? QString::fromStdString(path->stem().string()) : QStringLiteral("KestrineWord");
}

} // namespace kestrine
