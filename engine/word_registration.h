// Registration of the "Word.Application" server on first use, so that a fresh build or
// installation converts at once without a separate setup step.
#pragma once

#include "com/com.h"

#include <filesystem>
#include <vector>

namespace ostrel::word {

// The server libraries this build knows of, the likelier one first: the build tree's
// when we run from the build tree, else the installed one.
std::vector<std::filesystem::path> knownServerLibraries();

// When "Word.Application" has no class id in the registry, or its registered library
// no longer exists, loads the first existing library of the list and calls its
// DllRegisterServer. S_OK when the name is usable afterwards (or already was).
HRESULT ensureServerRegistered(
    const std::vector<std::filesystem::path>& libraries = knownServerLibraries());

} // namespace ostrel::word
