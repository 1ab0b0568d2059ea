#include "com/variant.h"

#include <limits>

namespace ostrel::com {

Variant::Variant(const Variant& other) {
    VariantInit(&v_);
    VariantCopy(&v_, &other.v_);
}

Variant::Variant(Variant&& other) noexcept : v_(other.v_) {
    VariantInit(&other.v_);
}

Variant& Variant::operator=(const Variant& other) {
    if (this != &other) {
        VariantCopy(&v_, &other.v_);
    }
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        VariantClear(&v_);
        v_ = other.v_;
        VariantInit(&other.v_);
    }
    return *this;
}

Variant Variant::copyOf(const VARIANT& source) {
    Variant result;
    VariantCopy(&result.v_, &source);
    return result;
}

Variant Variant::valueOf(const VARIANT& source) {
    const VARIANT& value = dereference(source);
    if ((value.vt & VT_BYREF) == 0) {
        return copyOf(value);
    }
    VARIANT direct;
    VariantInit(&direct);
    direct.vt = static_cast<VARTYPE>(value.vt & ~VT_BYREF);
    if (value.byref == nullptr) {
        return {};
    }
    switch (direct.vt) {
    case VT_I2:
        direct.iVal = *value.piVal;
        break;
    case VT_I4:
        direct.lVal = *value.plVal;
        break;
    case VT_UI4:
        direct.ulVal = *static_cast<const DWORD*>(value.byref);
        break;
    case VT_R8:
        direct.dblVal = *static_cast<const double*>(value.byref);
        break;
    case VT_BOOL:
        direct.boolVal = *value.pboolVal;
        break;
    case VT_ERROR:
        direct.scode = *value.pscode;
        break;
    case VT_BSTR:
        direct.bstrVal = *value.pbstrVal;
        break;
    case VT_UNKNOWN:
        direct.punkVal = *value.ppunkVal;
        break;
    case VT_DISPATCH:
        direct.pdispVal = *value.ppdispVal;
        break;
    default:
        return {};
    }
    // `direct` borrows the caller's storage; the copy owns its own.
    return copyOf(direct);
}

Variant Variant::attach(VARIANT& owned) {
    Variant result;
    result.v_ = owned;
    VariantInit(&owned);
    return result;
}

Variant Variant::flag(bool value) {
    return i2(value ? -1 : 0);
}

Variant Variant::i2(std::int16_t value) {
    Variant result;
    result.v_.vt = VT_I2;
    result.v_.iVal = value;
    return result;
}

Variant Variant::i4(std::int32_t value) {
    Variant result;
    result.v_.vt = VT_I4;
    result.v_.lVal = value;
    return result;
}

Variant Variant::boolean(bool value) {
    Variant result;
    result.v_.vt = VT_BOOL;
    result.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

Variant Variant::text(const QString& value) {
    Variant result;
    result.v_.vt = VT_BSTR;
    result.v_.bstrVal = Bstr(value).detach();
    return result;
}

Variant Variant::text(std::u16string_view value) {
    Variant result;
    result.v_.vt = VT_BSTR;
    result.v_.bstrVal = Bstr(value).detach();
    return result;
}

Variant Variant::textUtf8(std::string_view value) {
    Variant result;
    result.v_.vt = VT_BSTR;
    result.v_.bstrVal = Bstr::fromUtf8(value).detach();
    return result;
}

Variant Variant::omitted() {
    return error(DISP_E_PARAMNOTFOUND);
}

Variant Variant::error(SCODE code) {
    Variant result;
    result.v_.vt = VT_ERROR;
    result.v_.scode = code;
    return result;
}

Variant Variant::dispatch(IDispatch* object) {
    Variant result;
    result.v_.vt = VT_DISPATCH;
    result.v_.pdispVal = object;
    if (object != nullptr) {
        object->AddRef();
    }
    return result;
}

Variant Variant::unknown(IUnknown* object) {
    Variant result;
    result.v_.vt = VT_UNKNOWN;
    result.v_.punkVal = object;
    if (object != nullptr) {
        object->AddRef();
    }
    return result;
}

VARIANT* Variant::put() {
    VariantClear(&v_);
    return &v_;
}

VARIANT Variant::release() {
    VARIANT out = v_;
    VariantInit(&v_);
    return out;
}

VARIANT Variant::byRef() {
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BYREF | VT_VARIANT;
    ref.pvarVal = &v_;
    return ref;
}

bool Variant::isEmpty() const {
    return dereference(v_).vt == VT_EMPTY;
}

bool Variant::isOmitted() const {
    const Variant value = valueOf(v_);
    return value.v_.vt == VT_ERROR && value.v_.scode == DISP_E_PARAMNOTFOUND;
}

std::optional<std::int32_t> Variant::toInt32() const {
    const Variant value = valueOf(v_);
    switch (value.v_.vt) {
    case VT_I2:
        return value.v_.iVal;
    case VT_I4:
        return value.v_.lVal;
    case VT_BOOL:
        return value.v_.boolVal;
    case VT_UI4:
        if (value.v_.ulVal <= static_cast<DWORD>(std::numeric_limits<std::int32_t>::max())) {
            return static_cast<std::int32_t>(value.v_.ulVal);
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<bool> Variant::toBool() const {
    const auto number = toInt32();
    if (!number) {
        return std::nullopt;
    }
    return *number != 0;
}

std::optional<QString> Variant::toQString() const {
    const Variant value = valueOf(v_);
    if (value.v_.vt != VT_BSTR) {
        return std::nullopt;
    }
    return ostrel::com::toQString(value.v_.bstrVal);
}

ComPtr<IDispatch> Variant::toDispatch() const {
    const Variant value = valueOf(v_);
    if (value.v_.vt == VT_DISPATCH) {
        return ComPtr<IDispatch>(value.v_.pdispVal);
    }
    if (value.v_.vt == VT_UNKNOWN && value.v_.punkVal != nullptr) {
        ComPtr<IDispatch> result;
        value.v_.punkVal->QueryInterface(IID_IDispatch, result.putVoid());
        return result;
    }
    return {};
}

const VARIANT& dereference(const VARIANT& value) {
    const VARIANT* current = &value;
    // A chain of by-reference variants ends at the first variant holding a value;
    // the bound guards against a cycle.
    for (int depth = 0; depth < 16; ++depth) {
        if (current->vt != (VT_BYREF | VT_VARIANT) || current->pvarVal == nullptr) {
            break;
        }
        current = current->pvarVal;
    }
    return *current;
}

} // namespace ostrel::com
