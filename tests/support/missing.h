// Tests that need the office, the corpus or an X server skip on a developer's machine
// that lacks them. CI sets OSTREL_TESTS_REQUIRE_ALL=1: there a missing one fails the
// test, so that a broken install step cannot pass as a row of skips.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace ostrel::test {

inline bool everythingRequired() {
    const char* value = std::getenv("OSTREL_TESTS_REQUIRE_ALL");
    return value != nullptr && *value != '\0' && std::string_view(value) != "0";
}

inline ::testing::TestPartResult::Type missingResult() {
    return everythingRequired() ? ::testing::TestPartResult::kFatalFailure
                                : ::testing::TestPartResult::kSkip;
}

} // namespace ostrel::test

// Ends the test for a missing component: a skip, or a failure under
// OSTREL_TESTS_REQUIRE_ALL. Takes a message like GTEST_SKIP():
//     OSTREL_MISSING() << "no corpus at " << folder;
#define OSTREL_MISSING() return GTEST_MESSAGE_("missing", ::ostrel::test::missingResult())
