// PDF 1.3 knows no transparency: Ghostscript paints a page that has any (a picture with
// an alpha channel, half-transparent text or shapes) as one picture, and the page's text
// is lost. Told to ignore transparency it still paints transparent text as pictures, and
// a picture's hidden pixels as well (a black box). Made opaque, the PDF keeps both text
// and look: pictures keep their outline through a hard mask, which PDF 1.3 has, and
// half-transparent text and shapes (a watermark) take the colour they leave on white.
#pragma once

#include <qpdf/QPDF.hh>

namespace ostrel {

// Each image's soft mask (alpha channel) becomes a hard mask that shows the pixels at
// least half opaque; the colours (grey, RGB, CMYK) that pages and the forms they draw set
// while painting half transparent are blended with white; graphics states draw opaque, in
// the normal blend mode, without soft masks. Whether it changed anything.
bool makeOpaque(QPDF& pdf);

} // namespace ostrel
