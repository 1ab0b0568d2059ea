// Test helpers: load the Word server module, create "Word.Application" through its
// class object, and call members by dispatch id with arguments encoded as automation
// clients encode them (each by reference as a variant).
#pragma once

#include "com/com.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ostrel::word::test {

// One argument value; `Omitted` is VT_ERROR DISP_E_PARAMNOTFOUND.
struct Arg {
    enum class Kind { Bool, Int, Text, Omitted } kind;
    std::int32_t number = 0;
    std::u16string text;

    static Arg boolean(bool value) { return {Kind::Bool, value ? -1 : 0, {}}; }
    static Arg integer(std::int32_t value) { return {Kind::Int, value, {}}; }
    static Arg string(std::u16string value) { return {Kind::Text, 0, std::move(value)}; }
    static Arg omitted() { return {Kind::Omitted, 0, {}}; }
};

struct CallResult {
    HRESULT hr = E_FAIL;
    VARIANT value{};
    std::u16string exceptionDescription;
    ~CallResult() { release(); }
    void release();
};

// The server module, opened with dlopen.
class ServerModule {
public:
    ServerModule();
    ~ServerModule();
    PFN_DllGetClassObject getClassObject() const { return getClassObject_; }
    PFN_DllCanUnloadNow canUnloadNow() const { return canUnloadNow_; }
    PFN_DllRegisterServer registerServer() const { return registerServer_; }
    PFN_DllUnregisterServer unregisterServer() const { return unregisterServer_; }

private:
    void* handle_ = nullptr;
    PFN_DllGetClassObject getClassObject_ = nullptr;
    PFN_DllCanUnloadNow canUnloadNow_ = nullptr;
    PFN_DllRegisterServer registerServer_ = nullptr;
    PFN_DllUnregisterServer unregisterServer_ = nullptr;
};

// Calls with positional arguments in the caller's order, encoded as VT_BYREF|VT_VARIANT.
std::unique_ptr<CallResult> invoke(IDispatch* object, DISPID id, WORD flags,
                                   const std::vector<Arg>& args);
// A property put of one value (by value, with DISPID_PROPERTYPUT).
std::unique_ptr<CallResult> put(IDispatch* object, DISPID id, const Arg& value);

// Counted reference to an IDispatch.
class Dispatch {
public:
    Dispatch() = default;
    explicit Dispatch(IDispatch* object) : object_(object) {}
    ~Dispatch() { reset(); }
    Dispatch(Dispatch&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    Dispatch& operator=(Dispatch&& other) noexcept;
    Dispatch(const Dispatch&) = delete;
    Dispatch& operator=(const Dispatch&) = delete;
    IDispatch* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void reset();

private:
    IDispatch* object_ = nullptr;
};

// Takes the VT_DISPATCH of a result.
Dispatch takeDispatch(CallResult& result);

// Creates a new application through the module's class object.
Dispatch createApplication(const ServerModule& module, HRESULT* status = nullptr);

} // namespace ostrel::word::test
