// The glyph-run rewrite of content streams: any content of a page with a one-byte font
// (/F1) and a two-byte font (/F2) is rewritten or left alone, and content that could be
// read whole still can.
#include "fuzz_target.h"
#include "glyph_runs.h"

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QPDF pdf;
    pdf.emptyPDF();
    pdf.setSuppressWarnings(true);
    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font <<"
        " /F1 << /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>"
        " /F2 << /Type /Font /Subtype /Type0 /Encoding /Identity-H /BaseFont /Sans >>"
        " /F3 << /Type /Font /Subtype /Type3 >> >> >> >>"));
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(
                                     &pdf, std::string(reinterpret_cast<const char*>(data), size)));
    QPDFPageDocumentHelper(pdf).addPage(page, false);
    const auto readsWhole = [&pdf] {
        struct Ignored : QPDFObjectHandle::ParserCallbacks {
            void handleObject(QPDFObjectHandle) override {}
            void handleEOF() override {}
        } ignored;
        try {
            QPDFPageDocumentHelper(pdf).getAllPages().front().parseContents(&ignored);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    };
    const bool wholeBefore = readsWhole();
    // Content that reads whole still does once rewritten.
    if (ostrel::joinGlyphRuns(pdf) && wholeBefore && !readsWhole()) {
        ostrel::fuzz::violated("rewritten content reads again");
    }
    return 0;
}
