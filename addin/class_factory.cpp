#include "class_factory.h"

#include "addin_module.h"
#include "word_addin.h"

namespace kestrine {

HRESULT WordAddinClassFactory::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppvObject = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG WordAddinClassFactory::AddRef() {
    const std::lock_guard guard(countLock_);
    const ULONG count = ++refCount_;
    if (count == 2) {
        AddinModule::instance().count().lock();
    }
    return count;
}

ULONG WordAddinClassFactory::Release() {
    ULONG count = 0;
    {
        const std::lock_guard guard(countLock_);
        count = --refCount_;
        if (count == 1) {
            AddinModule::instance().count().unlock();
        }
    }
    if (count == 0) {
        delete this;
    }
    return count;
}

HRESULT WordAddinClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    *ppvObject = nullptr;
    if (pUnkOuter != nullptr && riid != IID_IUnknown) {
        return CLASS_E_NOAGGREGATION;
    }
    return CWordAddin::create(pUnkOuter, riid, ppvObject);
}

HRESULT WordAddinClassFactory::LockServer(BOOL fLock) {
    if (fLock) {
        AddinModule::instance().count().lock();
    } else {
        AddinModule::instance().count().unlock();
    }
    return S_OK;
}

} // namespace kestrine
