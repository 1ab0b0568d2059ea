#include "ghostscript_executable.h"

#include <cstdlib>
#include <unistd.h>

namespace ostrel {

std::filesystem::path ghostscriptExecutable() {
    if (const char* overridden = std::getenv("OSTREL_GHOSTSCRIPT");
        overridden != nullptr && *overridden != '\0') {
        return overridden;
    }
    const std::filesystem::path built = OSTREL_GHOSTSCRIPT_BUILD_PATH;
    if (!built.empty() && ::access(built.c_str(), X_OK) == 0) {
        return built;
    }
    return "gs";
}

} // namespace ostrel
