#include "opaque_pdf.h"

#include "content_numbers.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <exception>
#include <optional>
#include <set>
#include <string>
#include <vector>

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
    if (!resources.isDictionary()) {
        return false;
    }
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

// A device colour (grey, RGB or CMYK) and how opaque it is drawn.
struct Paint {
    std::vector<double> components{0.0}; // black, the initial colour
    double alpha = 1.0;

    // The colour it leaves on a white page, as the operator `op` (g, rg, k or their
    // stroking forms) sets it: grey and RGB move towards 1, CMYK towards 0.
    std::string blended(const char* const ops[3]) const {
        const bool cmyk = components.size() == 4;
        std::string text;
        for (const double c : components) {
            text += pdfNumber(cmyk ? c * alpha : 1.0 - alpha * (1.0 - c)) + " ";
        }
        return text + ops[components.size() == 1 ? 0 : components.size() == 3 ? 1 : 2];
    }
};

struct PaintState {
    Paint fill;
    Paint stroke;
};

const char* const kFillOps[3] = {"g", "rg", "k"};
const char* const kStrokeOps[3] = {"G", "RG", "K"};

double alphaOf(QPDFObjectHandle state, const char* key) {
    QPDFObjectHandle value = state.isDictionary() ? state.getKey(key) : QPDFObjectHandle();
    return value.isNumber() ? std::clamp(value.getNumericValue(), 0.0, 1.0) : -1.0;
}

// Rewrites a content stream so that what it paints half transparent gets the colour it
// would leave on white, opaque: PDF 1.3 knows no transparency. Forms drawn while
// transparent are rewritten the same way (once each), starting from the state they are
// drawn in.
class BlendFilter : public QPDFObjectHandle::TokenFilter {
public:
    BlendFilter(QPDFObjectHandle resources, PaintState start, double baseFill, double baseStroke,
                std::set<QPDFObjGen>& done)
        : resources_(resources), state_(std::move(start)), baseFill_(baseFill),
          baseStroke_(baseStroke), done_(done) {}

    // Sets the colours a form starts with, as inherited.
    void handleToken(const QPDFTokenizer::Token& token) override {
        if (!started_) {
            started_ = true;
            if (state_.fill.alpha < 1.0 || state_.stroke.alpha < 1.0) {
                write(state_.fill.blended(kFillOps) + " " + state_.stroke.blended(kStrokeOps) +
                      "\n");
            }
        }
        if (token.getType() != QPDFTokenizer::tt_word) {
            operands_.push_back(token);
            return;
        }
        const std::string& op = token.getValue();
        if (op == "q") {
            saved_.push_back(state_);
        } else if (op == "Q" && !saved_.empty()) {
            state_ = saved_.back();
            saved_.pop_back();
        } else if (setColour(op)) {
            return;
        } else if (op == "Do") {
            drawForm();
        }
        const PaintState before = state_;
        if (op == "gs") {
            setAlpha();
        }
        flush();
        writeToken(token);
        // The colours in force change with the alpha.
        if (state_.fill.alpha != before.fill.alpha || state_.stroke.alpha != before.stroke.alpha) {
            write(" " + state_.fill.blended(kFillOps) + " " + state_.stroke.blended(kStrokeOps));
        }
    }
    void handleEOF() override { flush(); }

private:
    void flush() {
        for (const auto& operand : operands_) {
            writeToken(operand);
        }
        operands_.clear();
    }

    // The numbers before the operator, without the blanks between them.
    std::vector<double> numbers() const {
        std::vector<double> values;
        for (const auto& operand : operands_) {
            if (isNumber(operand)) {
                values.push_back(numberOf(operand));
            } else if (operand.getType() != QPDFTokenizer::tt_space &&
                       operand.getType() != QPDFTokenizer::tt_comment) {
                return {};
            }
        }
        return values;
    }

    bool setColour(const std::string& op) {
        for (const bool fill : {true, false}) {
            const char* const* ops = fill ? kFillOps : kStrokeOps;
            const auto kind = std::find(ops, ops + 3, op) - ops;
            const std::size_t count[3] = {1, 3, 4};
            if (kind == 3) {
                continue;
            }
            std::vector<double> values = numbers();
            if (values.size() != count[kind]) {
                return false;
            }
            Paint& paint = fill ? state_.fill : state_.stroke;
            paint.components = std::move(values);
            operands_.clear();
            write(" " + paint.blended(ops));
            return true;
        }
        return false;
    }

    QPDFObjectHandle resource(const char* kind) {
        QPDFObjectHandle named =
            resources_.isDictionary() ? resources_.getKey(kind) : QPDFObjectHandle::newNull();
        for (auto it = operands_.rbegin(); it != operands_.rend(); ++it) {
            if (it->getType() == QPDFTokenizer::tt_name) {
                return named.isDictionary() ? named.getKey(it->getValue())
                                            : QPDFObjectHandle::newNull();
            }
        }
        return QPDFObjectHandle::newNull();
    }

    void setAlpha() {
        QPDFObjectHandle state = resource("/ExtGState");
        if (const double fill = alphaOf(state, "/ca"); fill >= 0.0) {
            state_.fill.alpha = baseFill_ * fill;
        }
        if (const double stroke = alphaOf(state, "/CA"); stroke >= 0.0) {
            state_.stroke.alpha = baseStroke_ * stroke;
        }
    }

    void drawForm() {
        QPDFObjectHandle form = resource("/XObject");
        if (!form.isStream() || !form.getDict().getKey("/Subtype").isNameAndEquals("/Form") ||
            (state_.fill.alpha >= 1.0 && state_.stroke.alpha >= 1.0) ||
            !done_.insert(form.getObjGen()).second) {
            return;
        }
        QPDFObjectHandle own = form.getDict().getKey("/Resources");
        BlendFilter inner(own.isDictionary() ? own : resources_, state_, state_.fill.alpha,
                          state_.stroke.alpha, done_);
        Pl_Buffer content("blended form");
        try {
            form.filterAsContents(&inner, &content);
        } catch (const std::exception&) {
            return; // a form that cannot be read stays as it is
        }
        form.replaceStreamData(content.getBufferSharedPointer(), QPDFObjectHandle::newNull(),
                               QPDFObjectHandle::newNull());
    }

    QPDFObjectHandle resources_;
    PaintState state_;
    double baseFill_;
    double baseStroke_;
    std::set<QPDFObjGen>& done_;
    std::vector<PaintState> saved_;
    std::vector<QPDFTokenizer::Token> operands_;
    bool started_ = false;
};

// Whether a resource dictionary has a graphics state that paints less than opaque.
bool hasTranslucentState(QPDFObjectHandle resources) {
    QPDFObjectHandle states =
        resources.isDictionary() ? resources.getKey("/ExtGState") : QPDFObjectHandle();
    if (!states.isDictionary()) {
        return false;
    }
    for (auto& [name, state] : states.ditems()) {
        for (const char* key : {"/ca", "/CA"}) {
            const double alpha = alphaOf(state, key);
            if (alpha >= 0.0 && alpha < 1.0) {
                return true;
            }
        }
    }
    return false;
}

// Blends what each page paints half transparent with the white page.
void blendTranslucentPaint(QPDF& pdf) {
    std::set<QPDFObjGen> done;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        QPDFObjectHandle resources = page.getAttribute("/Resources", false);
        if (!hasTranslucentState(resources)) {
            continue;
        }
        BlendFilter filter(resources, PaintState{}, 1.0, 1.0, done);
        Pl_Buffer content("blended page");
        try {
            page.filterContents(&filter, &content);
        } catch (const std::exception&) {
            continue; // a page whose content cannot be read stays as it is
        }
        page.getObjectHandle().replaceKey(
            "/Contents", QPDFObjectHandle::newStream(&pdf, content.getBufferSharedPointer()));
    }
}

} // namespace

bool makeOpaque(QPDF& pdf) {
    blendTranslucentPaint(pdf); // before the states lose their alpha
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
