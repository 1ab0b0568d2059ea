// The printer's PDF places every glyph on its own: a line is one text array of single
// glyphs, each followed by the same small adjustment ([<01>7<02>7<03>-16<04>7]TJ).
// Ghostscript's PDF reader shows each element separately in PostScript, and on a long
// document that is most of its time. Moving the adjustment most glyphs share into the
// character spacing (Tc) leaves one string per run of equally spaced glyphs: every glyph
// where it was, at a fraction of the work.
#pragma once

#include <qpdf/QPDF.hh>

namespace ostrel {

// Rewrites the text arrays (TJ) of each page's content whose font's codes it knows (simple
// fonts, and composite fonts of two-byte Identity codes): the adjustment shared by most
// of an array's glyphs becomes character spacing set before the array and restored after
// it; only the other adjustments stay, as differences. Glyphs, their order and their
// positions stay the same. Whether it rewrote any.
bool joinGlyphRuns(QPDF& pdf);

} // namespace ostrel
