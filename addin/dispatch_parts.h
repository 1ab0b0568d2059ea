// The IDispatch members of the add-in object's two dual interfaces. Each is served from
// its own type library: IWordAddin's from KESTRINELib, _IDTExtensibility2's from the
// Office add-in designer library.
#pragma once

#include "guarded.h"
#include "kestrine.h"
#include "type_library.h"

#include "contract/office.h"

#include <span>

namespace kestrine {

// The type-information members of a dual interface, served from its type library.
template <class Interface> class TypeLibraryDispatch : public Interface {
public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override { return typeInfo_.getTypeInfoCount(pctinfo); }
    HRESULT GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) override {
        return guarded([&] { return typeInfo_.getTypeInfo(iTInfo, ppTInfo); });
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                          DISPID* rgDispId) override {
        return guarded([&] { return typeInfo_.getIDsOfNames(riid, rgszNames, cNames, rgDispId); });
    }

protected:
    TypeLibraryDispatch(const GUID& libid, std::span<const DispatchMember> members)
        : typeInfo_(libid, members) {}
    ~TypeLibraryDispatch() = default;

    TypeInfoHolder typeInfo_;
};

// IWordAddin has no members of its own: the library only answers for its existence.
class WordAddinDispatch : public TypeLibraryDispatch<IWordAddin> {
public:
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

protected:
    WordAddinDispatch();
    ~WordAddinDispatch() = default;
};

// _IDTExtensibility2 through IDispatch: dispatch ids 1 to 5 reach the vtable members.
class Extensibility2Dispatch : public TypeLibraryDispatch<_IDTExtensibility2> {
public:
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

protected:
    Extensibility2Dispatch();
    ~Extensibility2Dispatch() = default;
};

} // namespace kestrine
