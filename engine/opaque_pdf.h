// PDF 1.3 knows no transparency: Ghostscript paints a page that has any (a picture with
// an alpha channel, half-transparent text or shapes) as one picture, and the page's text
// is lost. Told to ignore transparency it still paints transparent text as pictures, and
// a picture's hidden pixels as well (a black box). An opaque copy of the PDF keeps both
// text and look: pictures keep their outline through a hard mask, which PDF 1.3 has.
#pragma once

#include <filesystem>

namespace ostrel {

// Writes to `output` a copy of the PDF `input` without transparency: each image's soft
// mask (alpha channel) becomes a hard mask that shows the pixels at least half opaque,
// and graphics states draw opaque, in the normal blend mode, without soft masks. False,
// and nothing written, when there is nothing to change: `input` is not a PDF, cannot be
// read, or has no transparency of these kinds. Throws std::runtime_error when `output`
// cannot be written.
bool writeOpaqueCopy(const std::filesystem::path& input, const std::filesystem::path& output);

} // namespace ostrel
