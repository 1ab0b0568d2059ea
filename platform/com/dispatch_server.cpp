#include "com/dispatch_server.h"

#include "com/bstr.h"

#include <exception>

namespace ostrel::com {

namespace {

const VARIANT& emptyVariant() {
    static const VARIANT empty = [] {
        VARIANT v;
        VariantInit(&v);
        return v;
    }();
    return empty;
}

} // namespace

DispatchCall::DispatchCall(DISPID member, WORD flags, const DISPPARAMS& params, VARIANT* result,
                           EXCEPINFO* exception, UINT* argumentError)
    : member_(member), flags_(flags), params_(params), result_(result), exception_(exception),
      argumentError_(argumentError) {
}

const VARIANT& DispatchCall::argument(std::size_t index) const {
    if (index >= params_.cArgs || params_.rgvarg == nullptr) {
        return emptyVariant();
    }
    return dereference(params_.rgvarg[params_.cArgs - 1 - index]);
}

bool DispatchCall::isOmitted(std::size_t index) const {
    return index >= count() || Variant::valueOf(argument(index)).isOmitted();
}

std::optional<std::int32_t> DispatchCall::intArg(std::size_t index) const {
    return Variant::valueOf(argument(index)).toInt32();
}

std::optional<bool> DispatchCall::boolArg(std::size_t index) const {
    return Variant::valueOf(argument(index)).toBool();
}

std::optional<QString> DispatchCall::stringArg(std::size_t index) const {
    return Variant::valueOf(argument(index)).toQString();
}

HRESULT DispatchCall::setResult(Variant value) {
    if (result_ != nullptr) {
        VariantClear(result_);
        *result_ = value.release();
    }
    return S_OK;
}

HRESULT DispatchCall::exception(const QString& source, const QString& description, SCODE scode) {
    if (exception_ != nullptr) {
        *exception_ = EXCEPINFO{};
        exception_->bstrSource = Bstr(source).detach();
        exception_->bstrDescription = Bstr(description).detach();
        exception_->scode = scode;
    }
    return DISP_E_EXCEPTION;
}

void DispatchCall::setArgumentError(std::size_t index) {
    if (argumentError_ != nullptr && index < params_.cArgs) {
        *argumentError_ = static_cast<UINT>(params_.cArgs - 1 - index);
    }
}

HRESULT DispatchCall::typeMismatch(std::size_t index) {
    setArgumentError(index);
    return DISP_E_TYPEMISMATCH;
}

HRESULT DispatchCall::missingArgument(std::size_t index) {
    setArgumentError(index);
    return DISP_E_PARAMNOTFOUND;
}

HRESULT dispatchInvoke(DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argumentError,
                       HRESULT (*handler)(void* self, DispatchCall& call), void* self) {
    static const DISPPARAMS none{nullptr, nullptr, 0, 0};
    const DISPPARAMS& given = params != nullptr ? *params : none;
    if (given.cArgs > 0 && given.rgvarg == nullptr) {
        return E_INVALIDARG;
    }
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put) {
        if (given.cNamedArgs != 1 || given.rgdispidNamedArgs == nullptr ||
            given.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT || given.cArgs == 0) {
            return DISP_E_PARAMNOTFOUND;
        }
    } else if (given.cNamedArgs != 0) {
        return DISP_E_PARAMNOTFOUND; // named arguments are not offered
    }
    if (result != nullptr && !put) {
        VariantInit(result);
    }
    DispatchCall call(member, flags, given, put ? nullptr : result, exception, argumentError);
    try {
        return handler(self, call);
    } catch (const std::exception& failure) {
        return call.exception(QStringLiteral("ostrel"), QString::fromUtf8(failure.what()));
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace ostrel::com
