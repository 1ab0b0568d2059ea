// One combination of ticked "Allowed Actions" at one encryption level, with the
// permission word the PDF must carry.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace ostrel::test {

struct PermissionCase {
    int level; // 0: 40-bit, 1: 128-bit RC4, 2: 256-bit AES
    bool copying, formFilling, changing, printing;
    std::int32_t expected;
};

inline std::string permissionCaseName(const testing::TestParamInfo<PermissionCase>& info) {
    const auto& c = info.param;
    const char* const levels[] = {"Bits40", "Bits128", "Aes256"};
    return std::string(levels[c.level]) + (c.copying ? "Copy" : "") +
           (c.formFilling ? "Fill" : "") + (c.changing ? "Change" : "") +
           (c.printing ? "Print" : "");
}

} // namespace ostrel::test
