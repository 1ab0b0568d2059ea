#include "ghostscript_input.h"

#include "glyph_runs.h"
#include "opaque_pdf.h"
#include "pdf_objects.h"
#include "pdf_outline.h"
#include "pdf_parts.h"
#include "several_unit_unicode.h"
#include "type1_glyph_names.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <fstream>
#include <stdexcept>
#include <string>

namespace ostrel {
namespace {

bool startsAsPdf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string head(1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head.find("%PDF-") != std::string::npos;
}

} // namespace

GhostscriptInput inspectGhostscriptInput(const std::filesystem::path& input, bool opaque) {
    GhostscriptInput inspected;
    if (!startsAsPdf(input)) {
        return inspected;
    }
    QPDF pdf;
    bool changed = false;
    try {
        pdf.setSuppressWarnings(true);
        pdf.processFile(input.c_str());
        changed = nameType1GlyphsByUnicode(pdf);
        changed = joinGlyphRuns(pdf) || changed;
        inspected.pageWeights = pageWeights(pdf); // of the pages Ghostscript reads
        inspected.outline = takeOutline(pdf);
        changed = inspected.outline.has_value() || changed;
        inspected.navigatesPages = inspected.outline.has_value() || hasLinksToPages(pdf);
        if (opaque) {
            changed = makeOpaque(pdf) || changed;
        }
        // Asked after the Type 1 fonts are renamed: their maps keep single characters only.
        inspected.legacyReader = hasSeveralUnitUnicode(pdf);
    } catch (const std::exception&) {
        // Ghostscript reads it as it is, and reports what is wrong with it; the legacy
        // reader, since what the file holds is not known.
        GhostscriptInput unread;
        unread.legacyReader = true;
        return unread;
    }
    if (!changed) {
        return inspected;
    }
    try {
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.write();
        inspected.adjusted = bufferText(*writer.getBufferSharedPointer());
        return inspected;
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("Cannot adjust the printed PDF: ") + error.what());
    }
}

} // namespace ostrel
