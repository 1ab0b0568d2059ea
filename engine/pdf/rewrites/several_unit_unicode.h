// A font's Unicode map (ToUnicode) gives some codes several UTF-16 units: a ligature's
// glyph stands for "ff" <00660066>, a character beyond the Basic Multilingual Plane for a
// surrogate pair. Ghostscript 10.00's own PDF reader garbles such entries ("ff" comes out
// as U+6600 U+6600, three units as two); single units it reads right. Its PostScript-based
// reader reads both right, at half the speed.
#pragma once

#include <qpdf/QPDF.hh>

#include <string>

namespace ostrel {

// Whether a font's Unicode map has an entry of several units (a bfchar entry, as the
// office writes them, or a bfrange entry).
bool hasSeveralUnitUnicode(QPDF& pdf);

// The same for the text of one map.
bool mapHasSeveralUnits(const std::string& cmap);

} // namespace ostrel
