#include "word/automation.h"

#include <algorithm>
#include <exception>

namespace ostrel::word {
namespace {

constexpr const char16_t* kErrorSource = u"Word.Application";

// Follows VT_BYREF | VT_VARIANT to the variant it points at.
const VARIANT& unwrap(const VARIANT& value) {
    const VARIANT* current = &value;
    while (current->vt == (VT_BYREF | VT_VARIANT) && current->pvarVal != nullptr) {
        current = current->pvarVal;
    }
    return *current;
}

bool isOmitted(const VARIANT& value) {
    const VARIANT& v = unwrap(value);
    if (v.vt == VT_EMPTY) {
        return true;
    }
    if (v.vt == VT_ERROR) {
        return v.scode == DISP_E_PARAMNOTFOUND;
    }
    if (v.vt == (VT_BYREF | VT_ERROR)) {
        return v.pscode != nullptr && *v.pscode == DISP_E_PARAMNOTFOUND;
    }
    return false;
}

std::int32_t toInteger(const VARIANT& value, UINT index) {
    const VARIANT& v = unwrap(value);
    switch (v.vt) {
    case VT_I2:
        return v.iVal;
    case VT_I4:
        return v.lVal;
    case VT_BOOL:
        return v.boolVal;
    case VT_BYREF | VT_I2:
        return v.piVal != nullptr ? *v.piVal : 0;
    case VT_BYREF | VT_I4:
        return v.plVal != nullptr ? *v.plVal : 0;
    case VT_BYREF | VT_BOOL:
        return v.pboolVal != nullptr ? *v.pboolVal : 0;
    default:
        throw ArgumentError{DISP_E_TYPEMISMATCH, index};
    }
}

void fillException(EXCEPINFO* info, const AutomationError& error) {
    if (info == nullptr) {
        return;
    }
    *info = EXCEPINFO{};
    info->bstrSource = SysAllocString(kErrorSource);
    const std::u16string description = fromUtf8(error.description);
    info->bstrDescription = SysAllocString(description.c_str());
    info->scode = error.code;
}

} // namespace

std::atomic<long>& moduleReferences() {
    static std::atomic<long> count{0};
    return count;
}

UINT Arguments::positionalCount() const {
    if (params_ == nullptr) {
        return 0;
    }
    return params_->cArgs - std::min(params_->cNamedArgs, params_->cArgs);
}

UINT Arguments::indexOf(UINT position) const {
    return params_->cArgs - 1 - position;
}

const VARIANT* Arguments::at(UINT position) const {
    if (position >= positionalCount() || params_->rgvarg == nullptr) {
        return nullptr;
    }
    return &params_->rgvarg[indexOf(position)];
}

bool Arguments::omitted(UINT position) const {
    const VARIANT* value = at(position);
    return value == nullptr || isOmitted(*value);
}

std::optional<bool> Arguments::boolean(UINT position) const {
    if (omitted(position)) {
        return std::nullopt;
    }
    return toBoolean(*at(position), indexOf(position));
}

std::optional<std::int32_t> Arguments::integer(UINT position) const {
    if (omitted(position)) {
        return std::nullopt;
    }
    return toInteger(*at(position), indexOf(position));
}

std::optional<std::u16string> Arguments::text(UINT position) const {
    if (omitted(position)) {
        return std::nullopt;
    }
    return toText(*at(position), indexOf(position));
}

bool Arguments::toBoolean(const VARIANT& value, UINT index) {
    return toInteger(value, index) != 0;
}

std::u16string Arguments::toText(const VARIANT& value, UINT index) {
    const VARIANT& v = unwrap(value);
    BSTR text = nullptr;
    if (v.vt == VT_BSTR) {
        text = v.bstrVal;
    } else if (v.vt == (VT_BYREF | VT_BSTR) && v.pbstrVal != nullptr) {
        text = *v.pbstrVal;
    } else {
        throw ArgumentError{DISP_E_TYPEMISMATCH, index};
    }
    return text == nullptr ? std::u16string() : std::u16string(text, SysStringLen(text));
}

UINT Arguments::putIndex() const {
    if (params_ == nullptr || params_->cArgs == 0 || params_->rgvarg == nullptr) {
        throw ArgumentError{DISP_E_BADPARAMCOUNT, 0};
    }
    for (UINT i = 0; i < params_->cNamedArgs && i < params_->cArgs; ++i) {
        if (params_->rgdispidNamedArgs != nullptr &&
            params_->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) {
            return i;
        }
    }
    if (params_->cArgs != 1) {
        throw ArgumentError{DISP_E_BADPARAMCOUNT, 0};
    }
    return 0;
}

const VARIANT& Arguments::putValue() const {
    return params_->rgvarg[putIndex()];
}

void setResult(VARIANT* result, IDispatch* object) {
    if (result == nullptr) {
        return;
    }
    *result = VARIANT{};
    object->AddRef();
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
}

void setResult(VARIANT* result, std::int32_t value) {
    if (result == nullptr) {
        return;
    }
    *result = VARIANT{};
    result->vt = VT_I4;
    result->lVal = value;
}

void setResult(VARIANT* result, bool value) {
    if (result == nullptr) {
        return;
    }
    *result = VARIANT{};
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void setResult(VARIANT* result, const std::u16string& value) {
    if (result == nullptr) {
        return;
    }
    *result = VARIANT{};
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
}

std::u16string fromUtf8(std::string_view text) {
    std::u16string result;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t code = 0xFFFD;
        std::size_t length = 1;
        if (byte < 0x80) {
            code = byte;
        } else if ((byte >> 5) == 0x6 && i + 1 < text.size()) {
            code = ((byte & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            length = 2;
        } else if ((byte >> 4) == 0xE && i + 2 < text.size()) {
            code = ((byte & 0x0Fu) << 12) |
                   ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                   (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            length = 3;
        } else if ((byte >> 3) == 0x1E && i + 3 < text.size()) {
            code = ((byte & 0x07u) << 18) |
                   ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 12) |
                   ((static_cast<unsigned char>(text[i + 2]) & 0x3Fu) << 6) |
                   (static_cast<unsigned char>(text[i + 3]) & 0x3Fu);
            length = 4;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            result += static_cast<char16_t>(0xD800 + (code >> 10));
            result += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            result += static_cast<char16_t>(code);
        }
        i += length;
    }
    return result;
}

std::string toUtf8(std::u16string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            result += static_cast<char>(code);
        } else if (code < 0x800) {
            result += static_cast<char>(0xC0 | (code >> 6));
            result += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            result += static_cast<char>(0xE0 | (code >> 12));
            result += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            result += static_cast<char>(0xF0 | (code >> 18));
            result += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            result += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return result;
}

DispatchObject::DispatchObject() {
    ++moduleReferences();
}

DispatchObject::~DispatchObject() {
    --moduleReferences();
}

HRESULT DispatchObject::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        AddRef();
        *ppvObject = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() {
    return ++references_;
}

ULONG DispatchObject::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) {
        return E_POINTER;
    }
    *pctinfo = 0;
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr) {
        *ppTInfo = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID,
                                      DISPID* rgDispId) {
    if (rgszNames == nullptr || rgDispId == nullptr) {
        return E_POINTER;
    }
    const auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    };
    const auto same = [&](const char16_t* a, const char16_t* b) {
        for (; *a != 0 && *b != 0; ++a, ++b) {
            if (lower(*a) != lower(*b)) {
                return false;
            }
        }
        return *a == *b;
    };
    HRESULT result = S_OK;
    for (UINT i = 0; i < cNames; ++i) {
        rgDispId[i] = DISPID_UNKNOWN;
        if (i > 0) {
            result = DISP_E_UNKNOWNNAME; // parameter names are not offered
            continue;
        }
        for (const Member& member : members()) {
            if (rgszNames[i] != nullptr && same(rgszNames[i], member.name)) {
                rgDispId[i] = member.id;
            }
        }
        if (rgDispId[i] == DISPID_UNKNOWN) {
            result = DISP_E_UNKNOWNNAME;
        }
    }
    return result;
}

HRESULT DispatchObject::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags,
                               DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                               UINT* puArgErr) {
    try {
        return invoke(dispIdMember, wFlags, Arguments(pDispParams), pVarResult);
    } catch (const AutomationError& error) {
        fillException(pExcepInfo, error);
        return DISP_E_EXCEPTION;
    } catch (const ArgumentError& error) {
        if (puArgErr != nullptr) {
            *puArgErr = error.argument;
        }
        return error.code;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& error) {
        fillException(pExcepInfo, AutomationError{error.what()});
        return DISP_E_EXCEPTION;
    } catch (...) {
        fillException(pExcepInfo, AutomationError{"Unexpected failure."});
        return DISP_E_EXCEPTION;
    }
}

} // namespace ostrel::word
