// Ghostscript's pdfwrite writes no Unicode map (ToUnicode) for a Type 1 font whose glyphs
// all have standard names ("L", "quoteright"): readers are to find the characters by
// those names. The office's Type 1 fonts are such fonts, and carry a Unicode map that
// Ghostscript drops. Named by their characters ("uni004C"), their glyphs make Ghostscript
// keep the map.
#pragma once

#include <qpdf/QPDF.hh>

namespace ostrel {

// Renames the glyphs of each embedded Type 1 font that has its own encoding and a
// Unicode map: a glyph that stands for one character (of the Basic Multilingual Plane)
// gets the name "uniXXXX". The glyphs' shapes stay as they are. Whether it renamed any.
bool nameType1GlyphsByUnicode(QPDF& pdf);

} // namespace ostrel
