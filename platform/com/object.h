// Building blocks for COM objects of our own.
//
// Implements<I...>: the IUnknown of an object that offers the interfaces I...
// (reference count interlocked, deleted on the last Release). QueryInterface answers
// IUnknown, each listed interface by InterfaceId<I>, and IID_IDispatch for a listed
// interface derived from IDispatch. Override findInterface() to answer more.
//
//     class Sink final : public ostrel::com::Implements<IDispatch> { ... };
//     ComPtr<Sink> sink = ostrel::com::make<Sink>(args...);
//
// ModuleCount / ModuleLock: a server library's count of reasons to stay loaded (live
// objects, client locks), for its DllCanUnloadNow. Each library keeps its own count:
//
//     ostrel::com::ModuleCount module;              // one per library
//     class Thing : ... { ostrel::com::ModuleLock lock_{module}; };
//     extern "C" HRESULT DllCanUnloadNow() { return module.canUnload() ? S_OK : S_FALSE; }
//
// ClassFactory<T>: a class object that creates `new T()` objects; it refuses
// aggregation (CLASS_E_NOAGGREGATION), and while it lives, and for each LockServer(TRUE),
// it holds a lock of the ModuleCount.
#pragma once

#include "com/com.h"
#include "com/comptr.h"

#include <atomic>
#include <new>
#include <type_traits>
#include <utility>

namespace ostrel::com {

template <class First, class... Rest> class Implements : public First, public Rest... {
public:
    Implements() = default;
    Implements(const Implements&) = delete;
    Implements& operator=(const Implements&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = findInterface(riid);
        if (*ppvObject == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    IUnknown* unknown() { return static_cast<First*>(this); }

protected:
    virtual ~Implements() = default;

    // The interface pointer for riid without a reference, or null.
    virtual void* findInterface(REFIID riid) {
        if (riid == IID_IUnknown) {
            return unknown();
        }
        void* found = nullptr;
        (void)(match<First>(riid, found) || ... || match<Rest>(riid, found));
        return found;
    }

private:
    template <class I> bool match(REFIID riid, void*& found) {
        if (riid == iidOf<I>() || (std::is_base_of_v<IDispatch, I> && riid == IID_IDispatch)) {
            found = static_cast<I*>(this);
            return true;
        }
        return false;
    }

    std::atomic<ULONG> references_{1};
};

// Makes an object whose single reference the ComPtr holds.
template <class T, class... Args> ComPtr<T> make(Args&&... args) {
    return ComPtr<T>::attach(new (std::nothrow) T(std::forward<Args>(args)...));
}

class ModuleCount {
public:
    void lock() { ++count_; }
    void unlock() { --count_; }
    long count() const { return count_; }
    bool canUnload() const { return count_ == 0; }

private:
    std::atomic<long> count_{0};
};

class ModuleLock {
public:
    explicit ModuleLock(ModuleCount& module) : module_(module) { module_.lock(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
    ~ModuleLock() { module_.unlock(); }

private:
    ModuleCount& module_;
};

template <class T> class ClassFactory final : public Implements<IClassFactory> {
public:
    explicit ClassFactory(ModuleCount& module) : module_(module), lock_(module) {}

    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = nullptr;
        if (pUnkOuter != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        T* object = new (std::nothrow) T();
        if (object == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT answer = object->QueryInterface(riid, ppvObject);
        object->Release(); // the query's reference, if any, keeps it
        return answer;
    }
    HRESULT LockServer(BOOL fLock) override {
        if (fLock != FALSE) {
            module_.lock();
        } else {
            module_.unlock();
        }
        return S_OK;
    }

private:
    ModuleCount& module_;
    ModuleLock lock_; // a client holding the class object keeps the library loaded
};

} // namespace ostrel::com
