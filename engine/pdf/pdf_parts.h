// A long PDF is rewritten by several Ghostscripts at once, each one a range of its pages
// (Ghostscript uses one processor), and their parts are joined in page order.
#pragma once

#include "page_range.h"

#include <cstdint>
#include <filesystem>
#include <vector>

class QPDF;

namespace ostrel {

// Fewer pages than this per part would cost more in starting Ghostscript than it saves.
inline constexpr int kPagesPerPart = 50;

// What a page costs Ghostscript on its own (setting it up, its fonts), in the bytes of
// content that cost as much: measured on the office's text pages, about 4 ms a page
// against 0.2 s a megabyte.
inline constexpr std::uint64_t kPageWork = 20000;

// Each page's work for Ghostscript, in page order: the bytes of its content (decoded;
// as stored when it cannot be) and of its pictures (as stored), and kPageWork for the
// page itself.
std::vector<std::uint64_t> pageWeights(QPDF& pdf);

// The consecutive ranges covering all pages of a PDF, one per processor (`processors`),
// at most one per kPagesPerPart pages, each as near as can be to an equal share of the
// work: `pageWeights` is each page's, in page order. One range for a short PDF or a
// single processor; none for no pages.
std::vector<PageRange> pageRanges(const std::vector<std::uint64_t>& pageWeights,
                                  unsigned processors);

// Writes to the open, empty file `descriptor` one PDF of the parts' pages in order: the
// first part's document (information, metadata, version) with the pages of all, every
// stream as Ghostscript wrote it. The parts come from one Ghostscript command but for
// the page range, unencrypted. Throws std::runtime_error (one-line reason).
void joinPdfParts(const std::vector<std::filesystem::path>& parts, int descriptor);

} // namespace ostrel
