// Small readers of qpdf objects that the PDF rewrites share.
#pragma once

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <string>
#include <vector>

namespace ostrel {

inline std::string bufferText(const Buffer& buffer) {
    return std::string(reinterpret_cast<const char*>(buffer.getBuffer()), buffer.getSize());
}

// A stream's data with the general filters undone. Throws what qpdf throws for data it
// cannot decode.
inline std::string streamText(QPDFObjectHandle stream) {
    return bufferText(*stream.getStreamData(qpdf_dl_generalized));
}

// The document's font dictionaries (/Type /Font), in object order.
inline std::vector<QPDFObjectHandle> fontDictionaries(QPDF& pdf) {
    std::vector<QPDFObjectHandle> fonts;
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
        if (object.isDictionary() && object.getKey("/Type").isNameAndEquals("/Font")) {
            fonts.push_back(object);
        }
    }
    return fonts;
}

} // namespace ostrel
