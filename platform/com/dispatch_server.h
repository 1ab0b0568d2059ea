// Servers that implement IDispatch by dispatch id.
//
// Derive from DispatchObject<I, More...> (I is IDispatch or a dual interface derived
// from it) and implement invoke(DispatchCall&):
//
//     class Application final : public ostrel::com::DispatchObject<IDispatch> {
//         HRESULT invoke(DispatchCall& call) override {
//             switch (call.member()) {
//             case 23: // Visible
//                 if (!call.isPut()) return DISP_E_MEMBERNOTFOUND;
//                 if (!call.boolArg(0)) return call.typeMismatch(0);
//                 visible_ = *call.boolArg(0);
//                 return S_OK;
//             case 6: // Documents
//                 return call.setResult(Variant::dispatch(documents_.get()));
//             }
//             return DISP_E_MEMBERNOTFOUND;
//         }
//     };
//
// DispatchCall presents the arguments in natural order (argument 0 is the first; for
// a property put the value is the last argument), each read through any by-reference
// indirection. The type information members answer "none"; GetIDsOfNames answers
// through dispatchIdOf(). A std::exception thrown by invoke() becomes an automation
// exception (DISP_E_EXCEPTION with its message), anything else E_UNEXPECTED: nothing
// escapes through COM.
#pragma once

#include "com/com.h"
#include "com/object.h"
#include "com/variant.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace ostrel::com {

class DispatchCall {
public:
    DispatchCall(DISPID member, WORD flags, const DISPPARAMS& params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argumentError);

    DISPID member() const { return member_; }
    WORD flags() const { return flags_; }
    bool isMethod() const { return (flags_ & DISPATCH_METHOD) != 0; }
    bool isGet() const { return (flags_ & DISPATCH_PROPERTYGET) != 0; }
    bool isPut() const { return (flags_ & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

    std::size_t count() const { return params_.cArgs; }
    // The argument itself (after by-reference links); VT_EMPTY past the end.
    const VARIANT& argument(std::size_t index) const;
    // Missing, or passed as the omitted marker (VT_ERROR DISP_E_PARAMNOTFOUND).
    bool isOmitted(std::size_t index) const;
    std::optional<std::int32_t> intArg(std::size_t index) const;
    std::optional<bool> boolArg(std::size_t index) const;
    std::optional<QString> stringArg(std::size_t index) const;
    // For a put: the value being assigned.
    const VARIANT& putValue() const { return argument(count() == 0 ? 0 : count() - 1); }

    // Stores the result when the caller asked for one; answers S_OK.
    HRESULT setResult(Variant value);
    // Fills EXCEPINFO (when given) and answers DISP_E_EXCEPTION.
    HRESULT exception(const QString& source, const QString& description, SCODE scode = E_FAIL);
    // Names the offending argument (puArgErr counts in COM's reverse order).
    HRESULT typeMismatch(std::size_t index);
    HRESULT missingArgument(std::size_t index);

private:
    void setArgumentError(std::size_t index);

    DISPID member_;
    WORD flags_;
    const DISPPARAMS& params_;
    VARIANT* result_;
    EXCEPINFO* exception_;
    UINT* argumentError_;
};

// The Invoke checks shared by every DispatchObject: named arguments other than a
// put's DISPID_PROPERTYPUT are refused, a put must name its value.
HRESULT dispatchInvoke(DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argumentError,
                       HRESULT (*handler)(void* self, DispatchCall& call), void* self);

template <class I = IDispatch, class... More> class DispatchObject : public Implements<I, More...> {
public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        if (pctinfo == nullptr) {
            return E_POINTER;
        }
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
        if (ppTInfo != nullptr) {
            *ppTInfo = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID,
                          DISPID* rgDispId) override {
        if (rgszNames == nullptr || rgDispId == nullptr) {
            return E_POINTER;
        }
        HRESULT answer = S_OK;
        for (UINT i = 0; i < cNames; ++i) {
            const auto id = dispatchIdOf(QString::fromUtf16(rgszNames[i]));
            rgDispId[i] = id.value_or(DISPID_UNKNOWN);
            if (!id) {
                answer = DISP_E_UNKNOWNNAME;
            }
        }
        return answer;
    }
    HRESULT Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override {
        return dispatchInvoke(
            dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr,
            [](void* self, DispatchCall& call) {
                return static_cast<DispatchObject*>(self)->invoke(call);
            },
            this);
    }

protected:
    virtual HRESULT invoke(DispatchCall& call) = 0;
    // Member names for GetIDsOfNames (compare without regard to case, as COM does).
    virtual std::optional<DISPID> dispatchIdOf(const QString& /*name*/) { return std::nullopt; }
};

} // namespace ostrel::com
