#include "opaque_pdf.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <optional>
#include <string>

namespace ostrel {
namespace {

int intEntry(QPDFObjectHandle dict, const char* key, int fallback) {
    QPDFObjectHandle value = dict.getKey(key);
    return value.isInteger() ? value.getIntValueAsInt() : fallback;
}

// A soft mask's samples as a stencil mask of the same size: 0 where the pixel is shown,
// 1 where it is hidden (the stencil's default reading). Nothing for a mask it cannot
// read.
std::optional<std::string> stencilOf(QPDFObjectHandle softMask) {
    QPDFObjectHandle dict = softMask.getDict();
    const int width = intEntry(dict, "/Width", 0);
    const int height = intEntry(dict, "/Height", 0);
    const int bits = intEntry(dict, "/BitsPerComponent", 8);
    if (width <= 0 || height <= 0 ||
        (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16)) {
        return std::nullopt;
    }
    QPDFObjectHandle decode = dict.getKey("/Decode");
    const bool inverted =
        decode.isArray() && decode.getArrayNItems() == 2 &&
        decode.getArrayItem(0).getNumericValue() > decode.getArrayItem(1).getNumericValue();
    const auto data = softMask.getStreamData(qpdf_dl_all);
    const std::size_t rowBytes = (std::size_t(width) * std::size_t(bits) + 7) / 8;
    if (data->getSize() < rowBytes * std::size_t(height)) {
        return std::nullopt;
    }
    const unsigned char* samples = data->getBuffer();
    const unsigned half = 1u << (bits - 1);
    const std::size_t stencilRow = (std::size_t(width) + 7) / 8;
    std::string stencil(stencilRow * std::size_t(height), '\0');
    for (std::size_t y = 0; y < std::size_t(height); ++y) {
        const unsigned char* row = samples + y * rowBytes;
        for (std::size_t x = 0; x < std::size_t(width); ++x) {
            unsigned value = 0;
            if (bits == 16) {
                value = (unsigned(row[2 * x]) << 8) | row[2 * x + 1];
            } else {
                const std::size_t bit = x * std::size_t(bits);
                const auto shift = unsigned(8 - bits) - unsigned(bit % 8);
                value = (unsigned(row[bit / 8]) >> shift) & ((1u << bits) - 1);
            }
            const bool shown = (value >= half) != inverted;
            if (!shown) {
                stencil[y * stencilRow + x / 8] |= char(0x80 >> (x % 8));
            }
        }
    }
    return stencil;
}

// Replaces the image's soft mask by a stencil mask; false when it cannot.
bool hardenMask(QPDF& pdf, QPDFObjectHandle image) {
    QPDFObjectHandle dict = image.getDict();
    QPDFObjectHandle softMask = dict.getKey("/SMask");
    std::optional<std::string> stencil;
    try {
        stencil = stencilOf(softMask);
    } catch (const std::exception&) {
        return false; // a filter qpdf cannot undo
    }
    if (!stencil) {
        return false;
    }
    QPDFObjectHandle mask = QPDFObjectHandle::newStream(&pdf, *stencil);
    QPDFObjectHandle maskDict = mask.getDict();
    maskDict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    maskDict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    maskDict.replaceKey("/Width", softMask.getDict().getKey("/Width"));
    maskDict.replaceKey("/Height", softMask.getDict().getKey("/Height"));
    maskDict.replaceKey("/ImageMask", QPDFObjectHandle::newBool(true));
    maskDict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(1));
    dict.removeKey("/SMask");
    // A colour-key mask the image may have as well was overruled by the soft mask.
    dict.replaceKey("/Mask", mask);
    return true;
}

// Makes the graphics states of a resource dictionary opaque; whether it changed any.
bool makeStatesOpaque(QPDFObjectHandle resources) {
    QPDFObjectHandle states = resources.getKey("/ExtGState");
    if (!states.isDictionary()) {
        return false;
    }
    bool changed = false;
    for (auto& [name, state] : states.ditems()) {
        if (!state.isDictionary()) {
            continue;
        }
        for (const char* alpha : {"/ca", "/CA"}) {
            if (state.hasKey(alpha)) {
                state.replaceKey(alpha, QPDFObjectHandle::newReal(1.0, 1));
                changed = true;
            }
        }
        if (state.hasKey("/SMask")) {
            state.replaceKey("/SMask", QPDFObjectHandle::newName("/None"));
            changed = true;
        }
        if (state.hasKey("/BM")) {
            state.replaceKey("/BM", QPDFObjectHandle::newName("/Normal"));
            changed = true;
        }
    }
    return changed;
}

} // namespace

bool makeOpaque(QPDF& pdf) {
    bool changed = false;
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
        QPDFObjectHandle dict = object.isStream() ? object.getDict() : object;
        if (!dict.isDictionary()) {
            continue;
        }
        // Pages, forms, patterns and fonts name their resources; a resource dictionary
        // may be an object of its own.
        changed = makeStatesOpaque(dict.getKey("/Resources")) || changed;
        changed = makeStatesOpaque(dict) || changed;
        if (object.isStream() && dict.getKey("/Subtype").isNameAndEquals("/Image") &&
            dict.getKey("/SMask").isStream()) {
            changed = hardenMask(pdf, object) || changed;
        }
    }
    return changed;
}

} // namespace ostrel
