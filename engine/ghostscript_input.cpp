#include "ghostscript_input.h"

#include "opaque_pdf.h"
#include "type1_glyph_names.h"

#include <qpdf/Buffer.hh>
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

std::optional<std::string> adjustedGhostscriptInput(const std::filesystem::path& input,
                                                    bool opaque) {
    if (!startsAsPdf(input)) {
        return std::nullopt;
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
        return std::nullopt; // Ghostscript reads it as it is, and reports what is wrong with it
    }
    if (!changed) {
        return std::nullopt;
    }
    try {
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.write();
        const auto buffer = writer.getBufferSharedPointer();
        return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("Cannot adjust the printed PDF: ") + error.what());
    }
}

} // namespace ostrel
