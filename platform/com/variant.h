// Variant: one owned VARIANT, cleared (VariantClear) when it goes.
//
// Makers for the automation argument encoding the engine uses:
//     Variant::flag(true)      VT_I2 -1   (a "true" argument; false is VT_I2 0)
//     Variant::i4(n)           VT_I4 n
//     Variant::text("...")     VT_BSTR
//     Variant::omitted()       VT_ERROR DISP_E_PARAMNOTFOUND (an argument left out)
//     Variant::boolean(b)      VT_BOOL VARIANT_TRUE / VARIANT_FALSE
// byRef() answers a VT_BYREF|VT_VARIANT variant that points at this one: the form in
// which each argument travels through IDispatch::Invoke.
//
// Readers accept a value directly or behind any by-reference indirection.
#pragma once

#include "com/bstr.h"
#include "com/com.h"
#include "com/comptr.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

namespace ostrel::com {

class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant() { VariantClear(&v_); }

    // A deep copy of any variant (strings copied, interfaces AddRef'd).
    static Variant copyOf(const VARIANT& source);
    // A by-value copy of what `source` holds, following by-reference indirections.
    static Variant valueOf(const VARIANT& source);
    // Adopts the contents of `owned`, leaving it VT_EMPTY.
    static Variant attach(VARIANT& owned);

    static Variant flag(bool value);
    static Variant i2(std::int16_t value);
    static Variant i4(std::int32_t value);
    static Variant boolean(bool value);
    static Variant text(const QString& value);
    static Variant text(std::u16string_view value);
    static Variant textUtf8(std::string_view value);
    static Variant omitted();
    static Variant error(SCODE code);
    static Variant dispatch(IDispatch* object); // takes a reference of its own
    static Variant unknown(IUnknown* object);   // takes a reference of its own

    VARTYPE vt() const { return v_.vt; }
    const VARIANT& get() const { return v_; }
    VARIANT* put();    // clears and answers the VARIANT to fill (out parameters)
    VARIANT release(); // hands the contents over, leaving this VT_EMPTY
    void clear() { VariantClear(&v_); }

    // VT_BYREF|VT_VARIANT pointing at this variant; valid while this lives.
    VARIANT byRef();

    bool isEmpty() const;
    bool isOmitted() const;
    // VT_I2, VT_I4, VT_UI4 (when it fits) and VT_BOOL as a number.
    std::optional<std::int32_t> toInt32() const;
    // A number or VT_BOOL as a truth value (non-zero is true).
    std::optional<bool> toBool() const;
    std::optional<QString> toQString() const;
    ComPtr<IDispatch> toDispatch() const;

private:
    VARIANT v_;
};

// Follows VT_BYREF|VT_VARIANT links to the variant that holds the value.
const VARIANT& dereference(const VARIANT& value);

} // namespace ostrel::com
