#include "ghostscript_input.h"

#include "opaque_pdf.h"
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

bool writeGhostscriptInput(const std::filesystem::path& input, const std::filesystem::path& output,
                           bool opaque) {
    if (!startsAsPdf(input)) {
        return false;
    }
    QPDF pdf;
    bool changed = false;
    try {
        pdf.setSuppressWarnings(true);
        pdf.processFile(input.c_str());
        changed = nameType1GlyphsByUnicode(pdf);
        if (opaque) {
            changed = makeOpaque(pdf) || changed;
        }
    } catch (const std::exception&) {
        return false; // Ghostscript reads it as it is, and reports what is wrong with it
    }
    if (!changed) {
        return false;
    }
    try {
        QPDFWriter writer(pdf, output.c_str());
        writer.write();
    } catch (const std::exception& error) {
        throw std::runtime_error("Cannot write " + output.string() + ": " + error.what());
    }
    return true;
}

} // namespace ostrel
