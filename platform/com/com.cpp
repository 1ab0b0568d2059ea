#include "com/com.h"

#include <cstdlib>
#include <cstring>

// A BSTR points just past a 32-bit byte count and is followed by a terminating zero,
// so that it can be read as a plain zero-terminated string too.
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    auto* block = static_cast<std::uint8_t*>(
        std::malloc(sizeof(std::uint32_t) + (static_cast<std::size_t>(ui) + 1) * sizeof(OLECHAR)));
    if (block == nullptr) {
        return nullptr;
    }
    const std::uint32_t bytes = ui * static_cast<std::uint32_t>(sizeof(OLECHAR));
    std::memcpy(block, &bytes, sizeof bytes);
    auto* text = reinterpret_cast<OLECHAR*>(block + sizeof bytes);
    if (strIn != nullptr) {
        std::memcpy(text, strIn, ui * sizeof(OLECHAR));
    } else {
        std::memset(text, 0, ui * sizeof(OLECHAR));
    }
    text[ui] = u'\0';
    return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) {
        return nullptr;
    }
    UINT length = 0;
    while (psz[length] != u'\0') {
        ++length;
    }
    return SysAllocStringLen(psz, length);
}

void SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr) {
        std::free(reinterpret_cast<std::uint8_t*>(bstrString) - sizeof(std::uint32_t));
    }
}

UINT SysStringLen(BSTR pbstr) {
    if (pbstr == nullptr) {
        return 0;
    }
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<std::uint8_t*>(pbstr) - sizeof bytes, sizeof bytes);
    return static_cast<UINT>(bytes / sizeof(OLECHAR));
}

// ---------------------------------------------------------------------------
// VARIANT
// ---------------------------------------------------------------------------
namespace {

bool isKnownType(VARTYPE vt) {
    if ((vt & VT_BYREF) != 0 || (vt & VT_ARRAY) != 0) {
        return true;
    }
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R8:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_UI4:
        return true;
    default:
        return false;
    }
}

} // namespace

void VariantInit(VARIANTARG* pvarg) {
    if (pvarg != nullptr) {
        std::memset(pvarg, 0, sizeof *pvarg);
        pvarg->vt = VT_EMPTY;
    }
}

// Owned contents are freed: a string, an interface reference. A by-reference variant
// only points at storage of its caller, which stays untouched. Arrays are passed
// through by this system and never owned here.
HRESULT VariantClear(VARIANTARG* pvarg) {
    if (pvarg == nullptr) {
        return E_INVALIDARG;
    }
    if (!isKnownType(pvarg->vt)) {
        return DISP_E_BADVARTYPE;
    }
    switch (pvarg->vt) {
    case VT_BSTR:
        SysFreeString(pvarg->bstrVal);
        break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        if (pvarg->punkVal != nullptr) {
            // IDispatch derives from IUnknown with the same object address.
            IUnknown* unknown = pvarg->vt == VT_DISPATCH ? pvarg->pdispVal : pvarg->punkVal;
            unknown->Release();
        }
        break;
    default:
        break;
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
    if (pvargDest == nullptr || pvargSrc == nullptr) {
        return E_INVALIDARG;
    }
    if (pvargDest == pvargSrc) {
        return S_OK;
    }
    if (!isKnownType(pvargSrc->vt)) {
        return DISP_E_BADVARTYPE;
    }
    const HRESULT cleared = VariantClear(pvargDest);
    if (FAILED(cleared)) {
        return cleared;
    }
    VARIANT copy = *pvargSrc;
    switch (pvargSrc->vt) {
    case VT_BSTR:
        if (pvargSrc->bstrVal != nullptr) {
            copy.bstrVal = SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal));
            if (copy.bstrVal == nullptr) {
                return E_OUTOFMEMORY;
            }
        }
        break;
    case VT_UNKNOWN:
        if (copy.punkVal != nullptr) {
            copy.punkVal->AddRef();
        }
        break;
    case VT_DISPATCH:
        if (copy.pdispVal != nullptr) {
            copy.pdispVal->AddRef();
        }
        break;
    default:
        break;
    }
    *pvargDest = copy;
    return S_OK;
}
