// The COM side of the Word server: counted objects with IDispatch by dispatch id,
// argument reading with the liberal conversions automation clients expect, and
// automation errors (DISP_E_EXCEPTION with EXCEPINFO).
#pragma once

#include "com/com.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::word {

// Live objects and server locks of this module, for DllCanUnloadNow.
std::atomic<long>& moduleReferences();

// A failure the caller sees as an automation exception (DISP_E_EXCEPTION).
struct AutomationError {
    std::string description; // UTF-8
    HRESULT code = E_FAIL;
};

// A failure the caller sees as the code itself, with the index of the argument at fault.
struct ArgumentError {
    HRESULT code;
    UINT argument;
};

// Reads the arguments of one Invoke. Positions count in the caller's order (the first
// argument is position 0); values may come by reference, as variants by reference,
// or by value. An omitted argument is VT_ERROR DISP_E_PARAMNOTFOUND or VT_EMPTY.
class Arguments {
public:
    explicit Arguments(const DISPPARAMS* params) : params_(params) {}

    UINT positionalCount() const;
    bool omitted(UINT position) const;
    std::optional<bool> boolean(UINT position) const;
    std::optional<std::int32_t> integer(UINT position) const;
    std::optional<std::u16string> text(UINT position) const;
    // The value of a property put (the DISPID_PROPERTYPUT argument, or the only one).
    const VARIANT& putValue() const;
    UINT putIndex() const;

    static bool toBoolean(const VARIANT& value, UINT index);
    static std::u16string toText(const VARIANT& value, UINT index);

private:
    UINT indexOf(UINT position) const;
    const VARIANT* at(UINT position) const;

    const DISPPARAMS* params_;
};

// Writes a result; the caller's variant is overwritten.
void setResult(VARIANT* result, IDispatch* object); // takes a new reference
void setResult(VARIANT* result, std::int32_t value);
void setResult(VARIANT* result, bool value);
void setResult(VARIANT* result, const std::u16string& value);

std::u16string fromUtf8(std::string_view text);
std::string toUtf8(std::u16string_view text);

// IDispatch with counted references. Subclasses name their members and answer
// invoke(); exceptions of type AutomationError and ArgumentError become COM's codes,
// and nothing else escapes.
class DispatchObject : public IDispatch {
public:
    struct Member {
        const char16_t* name;
        DISPID id;
    };

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

protected:
    DispatchObject();
    virtual ~DispatchObject();

    virtual const std::vector<Member>& members() const = 0;
    // Answers DISP_E_MEMBERNOTFOUND for members it does not know.
    virtual HRESULT invoke(DISPID id, WORD flags, const Arguments& args, VARIANT* result) = 0;

private:
    std::atomic<ULONG> references_{1};
};

} // namespace ostrel::word
