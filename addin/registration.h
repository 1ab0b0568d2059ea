// Registration of the add-in: the COM class, its program ids, the word processor's
// add-in key and the type library, written into (or removed from) our registry.
#pragma once

#include "com/com.h"

namespace kestrine {

HRESULT registerServer();
HRESULT unregisterServer();

} // namespace kestrine
