// What the runtime tests know of the test server library.
#pragma once

#include "com/com.h"

namespace testserver {

inline constexpr CLSID kClsid{
    0x7F3A2C10, 0x5B4E, 0x4D6A, {0x9C, 0x21, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}};
inline constexpr DISPID kAdd = 1;  // Add(a, b) -> a + b
inline constexpr DISPID kName = 2; // Name: text property
inline constexpr DISPID kFail = 3; // Fail(): always an automation exception

} // namespace testserver
