// The library's four entry points, with C linkage, the only symbols it exports.
#include "addin_module.h"
#include "guarded.h"
#include "registration.h"

#define KESTRINE_EXPORT extern "C" __attribute__((visibility("default")))

using kestrine::AddinModule;
using kestrine::guarded;

KESTRINE_EXPORT HRESULT DllCanUnloadNow() {
    return AddinModule::instance().canUnloadNow();
}

KESTRINE_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return guarded([&] { return AddinModule::instance().getClassObject(rclsid, riid, ppv); });
}

KESTRINE_EXPORT HRESULT DllRegisterServer() {
    return guarded(kestrine::registerServer);
}

KESTRINE_EXPORT HRESULT DllUnregisterServer() {
    return guarded(kestrine::unregisterServer);
}
