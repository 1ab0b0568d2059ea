#include "system/module_path.h"

#include <dlfcn.h>

namespace ostrel {

std::filesystem::path modulePath(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0') {
        return {};
    }
    // The loader keeps the name it was given; a relative one is taken from the working
    // folder, which the loading program has not left in the meantime.
    std::error_code error;
    if (auto resolved = std::filesystem::canonical(info.dli_fname, error); !error) {
        return resolved;
    }
    return std::filesystem::absolute(info.dli_fname, error).lexically_normal();
}

} // namespace ostrel
