// Type information for the add-in's dual interfaces, served from a type library that is
// found through the registry (HKCR\TypeLib\{libid}\1.0) the first time a client asks.
// While the library is not registered, the IDispatch members that need it answer
// TYPE_E_LIBNOTREGISTERED; the next request looks again.
#pragma once

#include "com/com.h"

#include <QString>

#include <optional>
#include <span>

namespace kestrine {

inline constexpr HRESULT DISP_E_BADINDEX = hr(0x8002000B);

struct DispatchMember {
    const char16_t* name;
    DISPID id;
};

class TypeInfoHolder {
public:
    // `members`: the interface's own members (names compare without regard to case).
    TypeInfoHolder(const GUID& libid, std::span<const DispatchMember> members)
        : libid_(libid), members_(members) {}

    HRESULT getTypeInfoCount(UINT* count) const;
    HRESULT getTypeInfo(UINT index, ITypeInfo** info);
    HRESULT getIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids);
    // The checks before a member is invoked: the library is there and riid is IID_NULL.
    HRESULT prepareInvoke(REFIID riid, DISPID member);

private:
    HRESULT load();

    GUID libid_;
    std::span<const DispatchMember> members_;
    bool loaded_ = false;
};

} // namespace kestrine
