// ComPtr<T>: one counted reference to a COM interface, released when it goes.
//
// QueryInterface needs the interface id of T. It comes from InterfaceId<T>, which by
// default reads a static member `iid` of the interface:
//
//     struct IFoo : IDispatch { static constexpr IID iid{...}; ... };
//
// or, for an interface declared elsewhere, from a specialisation:
//
//     template <> struct ostrel::com::InterfaceId<IFoo> { static constexpr IID value{...}; };
//
// Usage:
//     ComPtr<IDispatch> app;
//     HRESULT h = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
//                                  app.putVoid());
//     ComPtr<IFoo> foo = app.as<IFoo>(); // empty when the object has no IFoo
#pragma once

#include "com/com.h"

#include <utility>

namespace ostrel::com {

template <class T> struct InterfaceId { static constexpr const IID& value = T::iid; };
template <> struct InterfaceId<IUnknown> { static constexpr const IID& value = IID_IUnknown; };
template <> struct InterfaceId<IClassFactory> {
    static constexpr const IID& value = IID_IClassFactory;
};
template <> struct InterfaceId<IDispatch> { static constexpr const IID& value = IID_IDispatch; };
template <> struct InterfaceId<ITypeInfo> { static constexpr const IID& value = IID_ITypeInfo; };
template <> struct InterfaceId<ISupportErrorInfo> {
    static constexpr const IID& value = IID_ISupportErrorInfo;
};
template <> struct InterfaceId<IConnectionPoint> {
    static constexpr const IID& value = IID_IConnectionPoint;
};
template <> struct InterfaceId<IConnectionPointContainer> {
    static constexpr const IID& value = IID_IConnectionPointContainer;
};

template <class T> constexpr const IID& iidOf() {
    return InterfaceId<T>::value;
}

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a reference of its own (AddRef); see attach() for adopting one.
    explicit ComPtr(T* pointer) : p_(pointer) { addRef(); }
    ComPtr(const ComPtr& other) : p_(other.p_) { addRef(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(const ComPtr& other) {
        if (this != &other) {
            ComPtr copy(other);
            swap(copy);
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        reset();
        return *this;
    }

    // Adopts a reference the caller already owns (no AddRef).
    static ComPtr attach(T* pointer) {
        ComPtr result;
        result.p_ = pointer;
        return result;
    }
    // Hands the reference to the caller, who must release it.
    [[nodiscard]] T* detach() { return std::exchange(p_, nullptr); }

    void reset() {
        if (T* old = std::exchange(p_, nullptr)) {
            old->Release();
        }
    }
    void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    // For out parameters: releases what is held and answers the slot to fill.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() {
        reset();
        return reinterpret_cast<void**>(&p_);
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // QueryInterface for U; empty when the object does not offer it.
    template <class U> ComPtr<U> as() const {
        ComPtr<U> result;
        if (p_ != nullptr) {
            p_->QueryInterface(iidOf<U>(), result.putVoid());
        }
        return result;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

private:
    void addRef() {
        if (p_ != nullptr) {
            p_->AddRef();
        }
    }

    T* p_ = nullptr;
};

} // namespace ostrel::com
