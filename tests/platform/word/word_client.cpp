#include "word_client.h"

#include <dlfcn.h>

#include <stdexcept>

namespace ostrel::word::test {

ServerModule::ServerModule() {
    handle_ = dlopen(OSTREL_WORD_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        throw std::runtime_error(dlerror());
    }
    getClassObject_ = reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle_, "DllGetClassObject"));
    canUnloadNow_ = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(handle_, "DllCanUnloadNow"));
    registerServer_ = reinterpret_cast<PFN_DllRegisterServer>(dlsym(handle_, "DllRegisterServer"));
    unregisterServer_ =
        reinterpret_cast<PFN_DllUnregisterServer>(dlsym(handle_, "DllUnregisterServer"));
}

ServerModule::~ServerModule() {
    dlclose(handle_);
}

namespace {

void clear(VARIANT& value) {
    if (value.vt == VT_BSTR) {
        SysFreeString(value.bstrVal);
    } else if (value.vt == VT_DISPATCH && value.pdispVal != nullptr) {
        value.pdispVal->Release();
    }
    value = VARIANT{};
}

void encode(const Arg& arg, VARIANT& value) {
    value = VARIANT{};
    switch (arg.kind) {
    case Arg::Kind::Bool:
        value.vt = VT_I2;
        value.iVal = static_cast<SHORT>(arg.number);
        break;
    case Arg::Kind::Int:
        value.vt = VT_I4;
        value.lVal = arg.number;
        break;
    case Arg::Kind::Text:
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocStringLen(arg.text.data(), static_cast<UINT>(arg.text.size()));
        break;
    case Arg::Kind::Omitted:
        value.vt = VT_ERROR;
        value.scode = DISP_E_PARAMNOTFOUND;
        break;
    }
}

std::unique_ptr<CallResult> call(IDispatch* object, DISPID id, WORD flags, DISPPARAMS& params) {
    auto result = std::make_unique<CallResult>();
    EXCEPINFO info{};
    UINT argErr = 0;
    result->hr = object->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result->value,
                                &info, &argErr);
    if (info.bstrDescription != nullptr) {
        result->exceptionDescription =
            std::u16string(info.bstrDescription, SysStringLen(info.bstrDescription));
    }
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    return result;
}

} // namespace

std::unique_ptr<CallResult> invoke(IDispatch* object, DISPID id, WORD flags,
                                   const std::vector<Arg>& args) {
    std::vector<VARIANT> values(args.size());
    std::vector<VARIANT> refs(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        encode(args[i], values[i]);
        // COM's order: the last argument first.
        VARIANT& ref = refs[args.size() - 1 - i];
        ref.vt = VT_BYREF | VT_VARIANT;
        ref.pvarVal = &values[i];
    }
    DISPPARAMS params{refs.data(), nullptr, static_cast<UINT>(refs.size()), 0};
    auto result = call(object, id, flags, params);
    for (VARIANT& v : values) {
        clear(v);
    }
    return result;
}

std::unique_ptr<CallResult> put(IDispatch* object, DISPID id, const Arg& value) {
    VARIANT arg;
    encode(value, arg);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    auto result = call(object, id, DISPATCH_PROPERTYPUT, params);
    clear(arg);
    return result;
}

Dispatch& Dispatch::operator=(Dispatch&& other) noexcept {
    if (this != &other) {
        reset();
        object_ = other.object_;
        other.object_ = nullptr;
    }
    return *this;
}

void Dispatch::reset() {
    if (object_ != nullptr) {
        object_->Release();
        object_ = nullptr;
    }
}

void CallResult::release() {
    clear(value);
}

Dispatch takeDispatch(CallResult& result) {
    if (result.value.vt != VT_DISPATCH) {
        return Dispatch();
    }
    Dispatch taken(result.value.pdispVal);
    result.value.vt = VT_EMPTY;
    result.value.pdispVal = nullptr;
    return taken;
}

Dispatch createApplication(const ServerModule& module, HRESULT* status) {
    static constexpr CLSID clsid{
        0x000209FF, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    IClassFactory* factory = nullptr;
    HRESULT hr =
        module.getClassObject()(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    IDispatch* application = nullptr;
    if (SUCCEEDED(hr)) {
        hr =
            factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&application));
        factory->Release();
    }
    if (status != nullptr) {
        *status = hr;
    }
    return Dispatch(SUCCEEDED(hr) ? application : nullptr);
}

} // namespace ostrel::word::test
