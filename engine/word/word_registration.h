// Registration of the "Word.Application" server on first use, so that a fresh build or
// installation converts at once without a separate setup step.
#pragma once

#include "com/com.h"

#include <filesystem>
#include <vector>

namespace ostrel::word {

// The server library to register: the build tree's when our runtime library is the build
// tree's, else the one installed beside it (never the other tree's, which may be stale).
std::vector<std::filesystem::path> knownServerLibraries();

// When "Word.Application" has no class id in the registry, or its registered library
// no longer exists, loads the first existing library of the list and calls its
// DllRegisterServer. S_OK when the name is usable afterwards (or already was).
HRESULT ensureServerRegistered(
    const std::vector<std::filesystem::path>& libraries = knownServerLibraries());

} // namespace ostrel::word
