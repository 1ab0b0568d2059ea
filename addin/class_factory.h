// The class object of WordAddin: makes plain or aggregated add-in objects.
#pragma once

#include "com/com.h"

#include <atomic>
#include <mutex>

namespace kestrine {

class WordAddinClassFactory final : public IClassFactory {
public:
    // Made with the module cache's reference (count 1).
    WordAddinClassFactory() = default;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    // While a client holds a reference besides the cache's (count 2 or more), the class
    // object holds one module lock.
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT LockServer(BOOL fLock) override;

private:
    ~WordAddinClassFactory() = default;

    std::mutex countLock_; // keeps the count and the module lock in step
    std::atomic<ULONG> refCount_{1};
};

} // namespace kestrine
