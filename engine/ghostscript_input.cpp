#include "ghostscript_input.h"

#include "opaque_pdf.h"
#include "type1_glyph_names.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
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

// The bytes of a stream as stored.
std::uint64_t storedLength(QPDFObjectHandle stream) {
    if (!stream.isStream()) {
        return 0;
    }
    QPDFObjectHandle length = stream.getDict().getKey("/Length");
    return length.isInteger() && length.getIntValue() > 0
               ? static_cast<std::uint64_t>(length.getIntValue())
               : 0;
}

// The bytes of a content stream's operators (as stored when it cannot be decoded): a
// compressed page of short lines is little shorter than one of long lines.
std::uint64_t contentLength(QPDFObjectHandle stream) {
    if (!stream.isStream()) {
        return 0;
    }
    try {
        return stream.getStreamData(qpdf_dl_generalized)->getSize();
    } catch (const std::exception&) {
        return storedLength(stream);
    }
}

// A page's content streams (decoded) and pictures (as stored), in bytes; one at least.
std::vector<std::uint64_t> pageWeights(QPDF& pdf) {
    std::vector<std::uint64_t> weights;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        std::uint64_t weight = 1;
        QPDFObjectHandle contents = page.getObjectHandle().getKey("/Contents");
        if (contents.isArray()) {
            for (int i = 0; i < contents.getArrayNItems(); ++i) {
                weight += contentLength(contents.getArrayItem(i));
            }
        } else {
            weight += contentLength(contents);
        }
        for (const auto& [name, image] : page.getImages()) {
            weight += storedLength(image);
        }
        weights.push_back(weight);
    }
    return weights;
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
        inspected.pageWeights = pageWeights(pdf);
        changed = nameType1GlyphsByUnicode(pdf);
        if (opaque) {
            changed = makeOpaque(pdf) || changed;
        }
    } catch (const std::exception&) {
        return {}; // Ghostscript reads it as it is, and reports what is wrong with it
    }
    if (!changed) {
        return inspected;
    }
    try {
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.write();
        const auto buffer = writer.getBufferSharedPointer();
        inspected.adjusted =
            std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
        return inspected;
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("Cannot adjust the printed PDF: ") + error.what());
    }
}

} // namespace ostrel
