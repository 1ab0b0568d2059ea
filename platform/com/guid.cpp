#include "com/guid.h"

#include <array>
#include <cstdio>

namespace ostrel::com {

namespace {

constexpr std::size_t kGuidTextLength = 38; // braces included, terminator excluded

int hexDigit(char32_t c) {
    if (c >= U'0' && c <= U'9') {
        return static_cast<int>(c - U'0');
    }
    if (c >= U'a' && c <= U'f') {
        return static_cast<int>(c - U'a') + 10;
    }
    if (c >= U'A' && c <= U'F') {
        return static_cast<int>(c - U'A') + 10;
    }
    return -1;
}

// Reads the 32 hex digits between the fixed punctuation of a GUID text.
template <class Char> std::optional<GUID> parse(const Char* text, std::size_t length) {
    if (length != kGuidTextLength || text[0] != '{' || text[37] != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-') {
        return std::nullopt;
    }
    std::array<std::uint8_t, 16> bytes{};
    std::size_t digit = 0;
    for (std::size_t i = 1; i < 37; ++i) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            continue;
        }
        const int value = hexDigit(static_cast<char32_t>(text[i]));
        if (value < 0) {
            return std::nullopt;
        }
        bytes[digit / 2] = static_cast<std::uint8_t>((bytes[digit / 2] << 4) | value);
        ++digit;
    }
    GUID guid{};
    guid.Data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                 (std::uint32_t{bytes[2]} << 8) | bytes[3];
    guid.Data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.Data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    for (std::size_t i = 0; i < 8; ++i) {
        guid.Data4[i] = bytes[8 + i];
    }
    return guid;
}

} // namespace

std::string guidToString(const GUID& guid) {
    char text[kGuidTextLength + 1];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::optional<GUID> guidFromString(std::string_view text) {
    return parse(text.data(), text.size());
}

} // namespace ostrel::com

HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid) {
    if (pclsid == nullptr) {
        return E_INVALIDARG;
    }
    if (lpsz == nullptr) {
        *pclsid = GUID_NULL;
        return S_OK;
    }
    std::size_t length = 0;
    while (lpsz[length] != u'\0' && length <= ostrel::com::kGuidTextLength) {
        ++length;
    }
    const auto guid = ostrel::com::parse(lpsz, length);
    if (!guid) {
        return CO_E_CLASSSTRING;
    }
    *pclsid = *guid;
    return S_OK;
}

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    const std::string text = ostrel::com::guidToString(rguid);
    const auto needed = static_cast<int>(text.size()) + 1;
    if (lpsz == nullptr || cchMax < needed) {
        return 0;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        lpsz[i] = static_cast<OLECHAR>(text[i]);
    }
    lpsz[text.size()] = u'\0';
    return needed;
}
