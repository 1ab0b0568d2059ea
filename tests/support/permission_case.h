// One combination of ticked "Allowed Actions" at one encryption level, with the
// permission word the PDF must carry.
#pragma once

#include "conversion_options.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace ostrel::test {

struct PermissionCase {
    EncryptionLevel level;
    bool copying, formFilling, changing, printing;
    std::int32_t expected;
};

inline std::string permissionCaseName(const testing::TestParamInfo<PermissionCase>& info) {
    const auto& c = info.param;
    const char* const levels[] = {"Bits40", "Bits128", "Aes256"};
    return std::string(levels[static_cast<int>(c.level)]) + (c.copying ? "Copy" : "") +
           (c.formFilling ? "Fill" : "") + (c.changing ? "Change" : "") +
           (c.printing ? "Print" : "");
}

} // namespace ostrel::test
