#include "com/dispatch.h"

#include "com/bstr.h"

namespace ostrel::com {

namespace {

ExceptionInfo takeException(EXCEPINFO& info) {
    if (info.pfnDeferredFillIn != nullptr) {
        info.pfnDeferredFillIn(&info);
        info.pfnDeferredFillIn = nullptr;
    }
    ExceptionInfo out;
    out.code = info.wCode;
    out.scode = info.scode;
    out.source = Bstr::attach(info.bstrSource).toQString();
    out.description = Bstr::attach(info.bstrDescription).toQString();
    out.helpFile = Bstr::attach(info.bstrHelpFile).toQString();
    out.helpContext = info.dwHelpContext;
    info = EXCEPINFO{};
    return out;
}

} // namespace

DispatchResult invoke(IDispatch* object, DISPID member, WORD flags, std::span<Variant> arguments) {
    DispatchResult result;
    if (object == nullptr) {
        result.hr = E_POINTER;
        return result;
    }
    std::vector<VARIANT> reversed;
    reversed.reserve(arguments.size());
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) {
        reversed.push_back(it->byRef());
    }
    DISPID putName = DISPID_PROPERTYPUT;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    if (put) {
        params.rgdispidNamedArgs = &putName;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    UINT argumentError = 0;
    result.hr = object->Invoke(member, GUID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                               put ? nullptr : result.value.put(), &exception, &argumentError);
    if (result.hr == DISP_E_EXCEPTION) {
        result.exception = takeException(exception);
    } else {
        takeException(exception); // a server may fill it anyway; its strings are ours to free
    }
    if (result.hr == DISP_E_TYPEMISMATCH || result.hr == DISP_E_PARAMNOTFOUND) {
        result.argumentError = argumentError;
    }
    return result;
}

DispatchResult putProperty(IDispatch* object, DISPID member, Variant value) {
    return invoke(object, member, DISPATCH_PROPERTYPUT, std::span<Variant>(&value, 1));
}

} // namespace ostrel::com
