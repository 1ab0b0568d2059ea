// Interface methods and entry points answer status codes: no exception leaves them.
#pragma once

#include "com/com.h"

#include <new>

namespace kestrine {

template <class Body> HRESULT guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace kestrine
