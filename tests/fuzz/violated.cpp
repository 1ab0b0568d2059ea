#include "fuzz_target.h"

#include <cstdio>
#include <cstdlib>

namespace ostrel::fuzz {

void violated(const char* property) {
    std::fprintf(stderr, "property violated: %s\n", property);
    std::abort();
}

} // namespace ostrel::fuzz
