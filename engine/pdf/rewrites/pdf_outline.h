// Ghostscript 10.00's own PDF reader nests an outline wrongly: it takes an open entry's
// count of visible descendants for its number of children, so the entry after a deeper
// one ends up beneath its predecessor. Handed over as pdfmarks instead, the outline is
// placed as it was, by either reader.
#pragma once

#include <qpdf/QPDF.hh>

#include <optional>
#include <string>

namespace ostrel {

// The outline of `pdf` as /OUT pdfmarks in outline order (each entry's title, page, view,
// its number of children, negative when closed), removed from `pdf`. Nothing when it has
// no outline entries.
std::optional<std::string> takeOutline(QPDF& pdf);

// Whether a link annotation of `pdf` goes to a page of it: such a link needs its target
// among the pages Ghostscript writes.
bool hasLinksToPages(QPDF& pdf);

} // namespace ostrel
