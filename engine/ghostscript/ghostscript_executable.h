// Where the Ghostscript interpreter is.
#pragma once

#include <filesystem>

namespace ostrel {

// OSTREL_GHOSTSCRIPT when set; else the interpreter found when the project was built,
// if it is still there; else "gs", which the process runner looks up on PATH.
std::filesystem::path ghostscriptExecutable();

} // namespace ostrel
