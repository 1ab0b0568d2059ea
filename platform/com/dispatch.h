// Late-bound calls through IDispatch::Invoke by dispatch id.
//
// Arguments are given in their natural order (first argument first). The helper
// builds DISPPARAMS in COM's reverse order (last argument first) and passes every
// argument by reference, as a VT_BYREF|VT_VARIANT variant that points at the caller's
// Variant, so a server that writes through a reference changes that Variant.
// A property put names its value DISPID_PROPERTYPUT.
//
//     std::vector<Variant> args{Variant::text(path), Variant::flag(false)};
//     DispatchResult r = invokeMethod(documents.get(), 15, args);
//     if (r.failed()) { ... r.hr, r.exception.description ... }
//     ComPtr<IDispatch> document = r.value.toDispatch();
#pragma once

#include "com/com.h"
#include "com/variant.h"

#include <QString>

#include <span>
#include <vector>

namespace ostrel::com {

// The EXCEPINFO of a failed call, copied out (the server's strings are freed).
struct ExceptionInfo {
    WORD code = 0;
    SCODE scode = S_OK;
    QString source;
    QString description;
    QString helpFile;
    DWORD helpContext = 0;
};

struct DispatchResult {
    HRESULT hr = E_FAIL;
    Variant value;           // the result (empty for puts)
    ExceptionInfo exception; // filled when hr is DISP_E_EXCEPTION
    UINT argumentError = 0;  // puArgErr: index in DISPPARAMS order (reverse)

    bool succeeded() const { return SUCCEEDED(hr); }
    bool failed() const { return FAILED(hr); }
};

// flags: DISPATCH_METHOD, DISPATCH_PROPERTYGET (may be combined), DISPATCH_PROPERTYPUT.
DispatchResult invoke(IDispatch* object, DISPID member, WORD flags, std::span<Variant> arguments);

inline DispatchResult invokeMethod(IDispatch* object, DISPID member,
                                   std::span<Variant> arguments = {}) {
    return invoke(object, member, DISPATCH_METHOD, arguments);
}
inline DispatchResult getProperty(IDispatch* object, DISPID member,
                                  std::span<Variant> arguments = {}) {
    return invoke(object, member, DISPATCH_PROPERTYGET, arguments);
}
// The value travels last, as the named argument DISPID_PROPERTYPUT.
DispatchResult putProperty(IDispatch* object, DISPID member, Variant value);

} // namespace ostrel::com
