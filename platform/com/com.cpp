#include "com/com.h"

#include <cstdlib>
#include <cstring>

// A BSTR points just past a 32-bit byte count and is followed by a terminating zero,
// so that it can be read as a plain zero-terminated string too.
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    auto* block = static_cast<std::uint8_t*>(
        std::malloc(sizeof(std::uint32_t) + (static_cast<std::size_t>(ui) + 1) * sizeof(OLECHAR)));
    if (block == nullptr) {
        return nullptr;
    }
    const std::uint32_t bytes = ui * static_cast<std::uint32_t>(sizeof(OLECHAR));
    std::memcpy(block, &bytes, sizeof bytes);
    auto* text = reinterpret_cast<OLECHAR*>(block + sizeof bytes);
    if (strIn != nullptr) {
        std::memcpy(text, strIn, ui * sizeof(OLECHAR));
    } else {
        std::memset(text, 0, ui * sizeof(OLECHAR));
    }
    text[ui] = u'\0';
    return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) {
        return nullptr;
    }
    UINT length = 0;
    while (psz[length] != u'\0') {
        ++length;
    }
    return SysAllocStringLen(psz, length);
}

void SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr) {
        std::free(reinterpret_cast<std::uint8_t*>(bstrString) - sizeof(std::uint32_t));
    }
}

UINT SysStringLen(BSTR pbstr) {
    if (pbstr == nullptr) {
        return 0;
    }
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<std::uint8_t*>(pbstr) - sizeof bytes, sizeof bytes);
    return bytes / sizeof(OLECHAR);
}
