// PDF 1.3 knows no transparency: Ghostscript paints a page that has any (a picture with
// an alpha channel, for one) as a single picture, and its text is lost. Told to ignore
// transparency, it paints such a picture's hidden pixels as well (a black box). A hard
// mask, which PDF 1.3 has, keeps the picture's outline and the page's text.
#pragma once

#include <filesystem>

namespace ostrel {

// Writes to `output` a copy of the PDF `input` whose images' soft masks (alpha channels)
// are replaced by hard masks: a pixel is shown when it is at least half opaque. False,
// and nothing written, when there is nothing to replace: `input` is not a PDF, cannot be
// read, or has no soft-masked image. Throws std::runtime_error when `output` cannot be
// written.
bool writeHardMaskedCopy(const std::filesystem::path& input, const std::filesystem::path& output);

} // namespace ostrel
