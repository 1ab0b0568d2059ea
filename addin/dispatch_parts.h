// The IDispatch members of the add-in object's two dual interfaces. Each is served from
// its own type library: IWordAddin's from KESTRINELib, _IDTExtensibility2's from the
// Office add-in designer library.
#pragma once

#include "kestrine.h"
#include "type_library.h"

#include "com/office.h"

namespace kestrine {

// IWordAddin has no members of its own: the library only answers for its existence.
class WordAddinDispatch : public IWordAddin {
public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

protected:
    WordAddinDispatch();
    ~WordAddinDispatch() = default;

private:
    TypeInfoHolder typeInfo_;
};

// _IDTExtensibility2 through IDispatch: dispatch ids 1 to 5 reach the vtable members.
class Extensibility2Dispatch : public _IDTExtensibility2 {
public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

protected:
    Extensibility2Dispatch();
    ~Extensibility2Dispatch() = default;

private:
    TypeInfoHolder typeInfo_;
};

} // namespace kestrine
