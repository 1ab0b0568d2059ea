// The identities of the add-in library: its COM class, program ids, type library and
// its one interface, as clients and the registration see them.
#pragma once

#include "com/com.h"

namespace kestrine {

// {89636228-FA0F-4743-8AF8-8D7DA19B8344}
inline constexpr CLSID CLSID_WordAddin{
    0x89636228, 0xFA0F, 0x4743, {0x8A, 0xF8, 0x8D, 0x7D, 0xA1, 0x9B, 0x83, 0x44}};
// {487EA6D5-F160-4767-A66B-2C3E94EFBC9E}, version 1.0
inline constexpr GUID LIBID_KESTRINELib{
    0x487EA6D5, 0xF160, 0x4767, {0xA6, 0x6B, 0x2C, 0x3E, 0x94, 0xEF, 0xBC, 0x9E}};

inline constexpr const char16_t* kProgId = u"Kestrine.WordAddin";
inline constexpr const char16_t* kVersionedProgId = u"Kestrine.WordAddin.1";

} // namespace kestrine

// Dual interface of the add-in object; nothing beyond IDispatch's seven slots.
struct IWordAddin : IDispatch {
    // {8B379510-23A4-482A-9DB5-BF08C3A3153F}
    static constexpr IID iid{
        0x8B379510, 0x23A4, 0x482A, {0x9D, 0xB5, 0xBF, 0x08, 0xC3, 0xA3, 0x15, 0x3F}};

protected:
    ~IWordAddin() = default;
};
