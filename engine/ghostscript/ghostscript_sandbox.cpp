#include "ghostscript_sandbox.h"

#include "system/process.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace ostrel {

GhostscriptSandbox::GhostscriptSandbox(const SpoolFolder& spool) {
    std::string pattern = spool.scratchFile("gs-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a folder in " + spool.path().string() + ": " +
                                 std::strerror(errno));
    }
    folder_ = pattern;
}

GhostscriptSandbox::~GhostscriptSandbox() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::vector<std::string> GhostscriptSandbox::environment() const {
    return childEnvironment(folder_);
}

std::chrono::seconds ghostscriptTimeLimit(std::uintmax_t inputBytes) {
    if (const char* set = std::getenv("OSTREL_GHOSTSCRIPT_TIMEOUT"); set != nullptr) {
        const long seconds = std::strtol(set, nullptr, 10);
        if (seconds > 0) {
            return std::chrono::seconds(seconds);
        }
    }
    constexpr std::uintmax_t kBytesPerMinute = 1024 * 1024;
    const auto scaled = static_cast<std::chrono::seconds::rep>(inputBytes / kBytesPerMinute * 60);
    return std::chrono::seconds(std::max<std::chrono::seconds::rep>(600, scaled));
}

} // namespace ostrel
