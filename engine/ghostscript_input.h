// What Ghostscript reads instead of the printer's PDF when the PDF needs adjusting.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ostrel {

// A copy of the PDF `input` whose Type 1 fonts name their glyphs by their characters
// (nameType1GlyphsByUnicode) and, when `opaque`, without transparency (makeOpaque).
// Nothing when there is nothing to change: `input` is not a PDF, cannot be read, or
// needs neither. Throws std::runtime_error when the copy cannot be made.
std::optional<std::string> adjustedGhostscriptInput(const std::filesystem::path& input,
                                                    bool opaque);

} // namespace ostrel
