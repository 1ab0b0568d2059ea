#include "pdf_parts.h"

#include "pending_pdf.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace ostrel {
namespace {

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

} // namespace

std::vector<std::uint64_t> pageWeights(QPDF& pdf) {
    std::vector<std::uint64_t> weights;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        std::uint64_t weight = kPageWork;
        for (const auto& stream : page.getPageContents()) {
            weight += contentLength(stream);
        }
        for (const auto& [name, image] : page.getImages()) {
            weight += storedLength(image);
        }
        weights.push_back(weight);
    }
    return weights;
}

std::vector<PageRange> pageRanges(const std::vector<std::uint64_t>& pageWeights,
                                  unsigned processors) {
    const int pages = static_cast<int>(pageWeights.size());
    if (pages < 1) {
        return {};
    }
    const int count =
        std::clamp(std::min(static_cast<int>(processors), pages / kPagesPerPart), 1, pages);
    std::uint64_t total = 0;
    for (const std::uint64_t weight : pageWeights) {
        total += weight;
    }
    std::vector<PageRange> ranges;
    std::uint64_t done = 0;
    int first = 1;
    for (int page = 1; page <= pages; ++page) {
        done += pageWeights[static_cast<std::size_t>(page - 1)];
        const int partsLeft = count - static_cast<int>(ranges.size());
        // A range ends once it holds its share of the work, or when each of the ranges
        // left needs one of the pages left.
        const bool shareReached =
            done * static_cast<std::uint64_t>(count) >= total * (ranges.size() + 1);
        if (page == pages || (partsLeft > 1 && (shareReached || pages - page < partsLeft))) {
            ranges.push_back({first, page});
            first = page + 1;
        }
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
        FILE* out = duplicateStream(descriptor, "wb");
        if (out == nullptr) {
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
