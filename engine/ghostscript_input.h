// What Ghostscript reads instead of the printer's PDF when the PDF needs adjusting.
#pragma once

#include <filesystem>

namespace ostrel {

// Writes to `output` a copy of the PDF `input` whose Type 1 fonts name their glyphs by
// their characters (nameType1GlyphsByUnicode) and, when `opaque`, without transparency
// (makeOpaque). False, and nothing written, when there is nothing to change: `input` is
// not a PDF, cannot be read, or needs neither. Throws std::runtime_error when `output`
// cannot be written.
bool writeGhostscriptInput(const std::filesystem::path& input, const std::filesystem::path& output,
                           bool opaque);

} // namespace ostrel
