// The file of a loaded module (program or shared library), for servers that register
// where they live and for finding files installed beside them.
#pragma once

#include <filesystem>

namespace ostrel {

// The module that holds `address` (any function or object of it): its canonical path, or
// the loader's name for it made absolute when it cannot be resolved; empty when no module
// holds the address.
std::filesystem::path modulePath(const void* address);

} // namespace ostrel
