// What Ghostscript reads for the printer's PDF, and how long that PDF is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

struct GhostscriptInput {
    // A copy to read instead of the file, when the file needed adjusting.
    std::optional<std::string> adjusted;
    // Each page's work for Ghostscript, as the bytes of its content and pictures, in
    // page order; none when the file is not a PDF or cannot be read.
    std::vector<std::uint64_t> pageWeights;
    // Whether Ghostscript must read it with its PostScript-based PDF reader: its fonts map
    // codes to several characters (hasSeveralUnitUnicode), or it could not be read.
    bool legacyReader = false;
    // The PDF's outline as pdfmarks (takeOutline), taken out of the copy.
    std::optional<std::string> outline;
    // Whether it must be written whole: a range of its pages would lose the outline
    // entries and links that go to the other pages.
    bool navigatesPages = false;
};

// Reads the PDF `input`: its pages' weights, and a copy whose Type 1 fonts name their glyphs
// by their characters (nameType1GlyphsByUnicode), whose text arrays show runs of glyphs
// rather than single glyphs (joinGlyphRuns), without its outline (handed over as pdfmarks)
// and, when `opaque`, without transparency (makeOpaque). No copy when there is nothing to change,
// `input` is not a PDF, or cannot be read. Throws std::runtime_error when the copy cannot be made.
GhostscriptInput inspectGhostscriptInput(const std::filesystem::path& input, bool opaque);

} // namespace ostrel
