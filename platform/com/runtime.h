// Helpers around the COM runtime functions of com.h.
#pragma once

#include "com/com.h"
#include "com/comptr.h"

#include <string>
#include <string_view>

namespace ostrel::com {

// The loader's message for the last CO_E_DLLNOTFOUND or CO_E_ERRORINDLL answered on
// this thread (what dlopen or dlsym said), for diagnostics.
std::string lastLoadError();

// A short English text for a status code: "S_OK", "REGDB_E_CLASSNOTREG: Class not
// registered", or "unknown status" for codes this layer does not name.
std::string describe(HRESULT code);

// CLSIDFromProgID + CoCreateInstance (in-process) for a ProgID given in UTF-8.
template <class T> HRESULT createInstance(std::string_view progId, ComPtr<T>& out);
HRESULT createInstanceByProgId(std::string_view progId, REFIID iid, void** out);

template <class T> HRESULT createInstance(std::string_view progId, ComPtr<T>& out) {
    return createInstanceByProgId(progId, iidOf<T>(), out.putVoid());
}

} // namespace ostrel::com
