#include "dispatch_parts.h"

#include "guarded.h"

#include "com/dispatch_server.h"

#include <array>

namespace kestrine {
namespace {

constexpr std::array<DispatchMember, 5> kExtensibilityMembers{{
    {u"OnConnection", 1},
    {u"OnDisconnection", 2},
    {u"OnAddInsUpdate", 3},
    {u"OnStartupComplete", 4},
    {u"OnBeginShutdown", 5},
}};

// A member's failure travels as an automation exception carrying its code.
HRESULT answer(ostrel::com::DispatchCall& call, HRESULT result) {
    return FAILED(result) ? call.exception(QStringLiteral("KestrineWord"), QString(), result)
                          : result;
}

IDispatch* dispatchArgument(const ostrel::com::DispatchCall& call, std::size_t index) {
    const VARIANT& value = call.argument(index);
    return value.vt == VT_DISPATCH ? value.pdispVal : nullptr;
}

} // namespace

WordAddinDispatch::WordAddinDispatch() : TypeLibraryDispatch(LIBID_KESTRINELib, {}) {
}

HRESULT WordAddinDispatch::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD, DISPPARAMS*,
                                  VARIANT*, EXCEPINFO*, UINT*) {
    return guarded([&] { return typeInfo_.prepareInvoke(riid, dispIdMember); });
}

Extensibility2Dispatch::Extensibility2Dispatch()
    : TypeLibraryDispatch(LIBID_AddInDesignerObjects, kExtensibilityMembers) {
}

HRESULT Extensibility2Dispatch::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                                       DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                       EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    return guarded([&] {
        if (const HRESULT h = typeInfo_.prepareInvoke(riid, dispIdMember); FAILED(h)) {
            return h;
        }
        return ostrel::com::dispatchInvoke(
            dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr,
            [](void* self, ostrel::com::DispatchCall& call) {
                auto* addin = static_cast<Extensibility2Dispatch*>(self);
                // The `custom` arrays are ignored by every member.
                switch (call.member()) {
                case 1: {
                    const auto mode = call.intArg(1);
                    if (!mode) {
                        return call.typeMismatch(1);
                    }
                    return answer(call, addin->OnConnection(dispatchArgument(call, 0),
                                                            static_cast<ext_ConnectMode>(*mode),
                                                            dispatchArgument(call, 2), nullptr));
                }
                case 2: {
                    const auto mode = call.intArg(0);
                    if (!mode) {
                        return call.typeMismatch(0);
                    }
                    return answer(call, addin->OnDisconnection(
                                            static_cast<ext_DisconnectMode>(*mode), nullptr));
                }
                case 3:
                    return answer(call, addin->OnAddInsUpdate(nullptr));
                case 4:
                    return answer(call, addin->OnStartupComplete(nullptr));
                default:
                    return answer(call, addin->OnBeginShutdown(nullptr));
                }
            },
            this);
    });
}

} // namespace kestrine
