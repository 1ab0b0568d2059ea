#include "pdf_parts.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace ostrel {

std::vector<PageRange> pageRanges(int pages, unsigned processors) {
    if (pages < 1) {
        return {};
    }
    const int count =
        std::clamp(std::min(static_cast<int>(processors), pages / kPagesPerPart), 1, pages);
    std::vector<PageRange> ranges;
    int first = 1;
    for (int part = 0; part < count; ++part) {
        // The first (pages % count) parts take one page more.
        const int length = pages / count + (part < pages % count ? 1 : 0);
        ranges.push_back({first, first + length - 1});
        first += length;
    }
    return ranges;
}

void joinPdfParts(const std::vector<std::filesystem::path>& parts, int descriptor) {
    try {
        // The pages of later parts are copied when written: their documents stay open.
        std::vector<std::unique_ptr<QPDF>> documents;
        for (const auto& part : parts) {
            auto document = std::make_unique<QPDF>();
            document->setSuppressWarnings(true);
            document->processFile(part.c_str());
            documents.push_back(std::move(document));
        }
        if (documents.empty()) {
            throw std::runtime_error("no parts");
        }
        QPDFPageDocumentHelper joined(*documents.front());
        for (std::size_t later = 1; later < documents.size(); ++later) {
            for (auto& page : QPDFPageDocumentHelper(*documents[later]).getAllPages()) {
                joined.addPage(page, false);
            }
        }
        const int copy = ::dup(descriptor);
        FILE* out = copy >= 0 ? ::fdopen(copy, "wb") : nullptr;
        if (out == nullptr) {
            if (copy >= 0) {
                ::close(copy);
            }
            throw std::runtime_error("cannot write the PDF");
        }
        QPDFWriter writer(*documents.front());
        writer.setOutputFile("the PDF", out, true);
        writer.setStreamDataMode(qpdf_s_preserve);
        writer.write();
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("Cannot join the parts of the PDF: ") + error.what());
    }
}

} // namespace ostrel
