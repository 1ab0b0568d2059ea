#include "glyph_runs.h"

#include "content_numbers.h"

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <charconv>
#include <cmath>
#include <exception>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace ostrel {
namespace {

using Token = QPDFTokenizer::Token;

// Bytes per character code of a font whose codes the rewrite can split; 0 for others
// (Type 3 glyphs are procedures, other CMaps have codes of mixed lengths).
int codeLength(QPDFObjectHandle font) {
    if (!font.isDictionary()) {
        return 0;
    }
    QPDFObjectHandle subtype = font.getKey("/Subtype");
    if (subtype.isNameAndEquals("/TrueType") || subtype.isNameAndEquals("/Type1") ||
        subtype.isNameAndEquals("/MMType1")) {
        return 1;
    }
    if (subtype.isNameAndEquals("/Type0") &&
        font.getKey("/Encoding").isNameAndEquals("/Identity-H")) {
        return 2;
    }
    return 0;
}

std::map<std::string, int> codeLengths(QPDFPageObjectHelper& page) {
    std::map<std::string, int> lengths;
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    QPDFObjectHandle fonts =
        resources.isDictionary() ? resources.getKey("/Font") : QPDFObjectHandle::newNull();
    if (fonts.isDictionary()) {
        for (const auto& [name, font] : fonts.getDictAsMap()) {
            lengths[name] = codeLength(font);
        }
    }
    return lengths;
}

void appendHex(std::string& out, std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    for (const char signedByte : bytes) {
        const auto byte = static_cast<unsigned char>(signedByte);
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    }
}

// What a text array's rewrite needs of the graphics state: q and Q save and restore it.
struct TextState {
    double fontSize = std::numeric_limits<double>::quiet_NaN(); // unknown before Tf
    int codeLength = 0;
    double charSpacing = 0; // a page starts with none
};

struct Glyph {
    std::string_view code; // in the array's string
    double adjustment = 0; // the numbers that follow it in the array
};

class GlyphRunFilter : public QPDFObjectHandle::TokenFilter {
public:
    explicit GlyphRunFilter(std::map<std::string, int> codeLengths)
        : codeLengths_(std::move(codeLengths)) {}

    void handleToken(const Token& token) override {
        if (token.getType() == QPDFTokenizer::tt_word) {
            operate(token);
        } else {
            operands_.push_back(token);
        }
    }

    void handleEOF() override { flush(); }

    bool rewrote() const { return rewrote_; }

private:
    void operate(const Token& op) {
        const std::string& name = op.getValue();
        if (name == "TJ") {
            if (std::optional<std::string> array = rewrittenArray()) {
                write(*array);
                operands_.clear();
                rewrote_ = true;
                return;
            }
        }
        track(name);
        flush();
        writeToken(op);
    }

    void flush() {
        for (const auto& token : operands_) {
            writeToken(token);
        }
        operands_.clear();
    }

    // The operands without blanks and comments.
    std::vector<const Token*> values() const {
        std::vector<const Token*> found;
        for (const auto& token : operands_) {
            if (token.getType() != QPDFTokenizer::tt_space &&
                token.getType() != QPDFTokenizer::tt_comment) {
                found.push_back(&token);
            }
        }
        return found;
    }

    void track(const std::string& op) {
        if (op != "q" && op != "Q" && op != "Tf" && op != "Tc" && op != "\"") {
            return;
        }
        const auto operands = values();
        if (op == "q") {
            saved_.push_back(state_);
        } else if (op == "Q") {
            if (!saved_.empty()) {
                state_ = saved_.back();
                saved_.pop_back();
            }
        } else if (op == "Tf") {
            const bool named = operands.size() >= 2 &&
                               operands[operands.size() - 2]->getType() == QPDFTokenizer::tt_name;
            const auto length = named ? codeLengths_.find(operands[operands.size() - 2]->getValue())
                                      : codeLengths_.end();
            state_.codeLength = length == codeLengths_.end() ? 0 : length->second;
            state_.fontSize = operands.empty() ? std::nan("") : numberOf(*operands.back());
        } else if (op == "Tc") {
            state_.charSpacing = operands.empty() ? std::nan("") : numberOf(*operands.back());
        } else if (op == "\"") {
            state_.charSpacing =
                operands.size() >= 2 ? numberOf(*operands[operands.size() - 2]) : std::nan("");
        }
    }

    // The array as character spacing, the array of runs and the spacing restored; none
    // when it cannot be rewritten or would not get shorter.
    std::optional<std::string> rewrittenArray() const {
        const TextState& state = state_;
        if (!std::isfinite(state.fontSize) || state.fontSize == 0 || state.codeLength == 0 ||
            !std::isfinite(state.charSpacing)) {
            return std::nullopt;
        }
        const auto operands = values();
        if (operands.size() < 3 || operands.front()->getType() != QPDFTokenizer::tt_array_open ||
            operands.back()->getType() != QPDFTokenizer::tt_array_close) {
            return std::nullopt;
        }
        double lead = 0; // what moves the first glyph
        std::vector<Glyph> glyphs;
        for (std::size_t i = 1; i + 1 < operands.size(); ++i) {
            const Token& element = *operands[i];
            if (element.getType() == QPDFTokenizer::tt_string) {
                const std::string_view bytes = element.getValue();
                const auto length = static_cast<std::size_t>(state.codeLength);
                if (bytes.size() % length != 0) {
                    return std::nullopt;
                }
                for (std::size_t at = 0; at < bytes.size(); at += length) {
                    glyphs.push_back({bytes.substr(at, length), 0});
                }
            } else if (isNumber(element)) {
                (glyphs.empty() ? lead : glyphs.back().adjustment) += numberOf(element);
            } else {
                return std::nullopt;
            }
        }
        std::map<double, std::size_t> counts;
        for (const auto& glyph : glyphs) {
            ++counts[glyph.adjustment];
        }
        double shared = 0;
        std::size_t most = 0;
        for (const auto& [adjustment, count] : counts) {
            if (count > most) {
                shared = adjustment;
                most = count;
            }
        }
        if (shared == 0) {
            return std::nullopt;
        }
        // A number in the array moves the next glyph back by thousandths of the font
        // size; character spacing moves it forward by text space units.
        std::string array =
            " " + pdfNumber(state.charSpacing - shared * state.fontSize / 1000) + " Tc[";
        array.reserve(array.size() + 8 * operands.size());
        std::size_t elements = 0;
        if (lead != 0) {
            array += pdfNumber(lead) + " ";
            ++elements;
        }
        bool open = false;
        for (const auto& glyph : glyphs) {
            if (!open) {
                array += '<';
                open = true;
                ++elements;
            }
            appendHex(array, glyph.code);
            if (glyph.adjustment != shared) {
                array += '>' + pdfNumber(glyph.adjustment - shared);
                open = false;
                ++elements;
            }
        }
        if (open) {
            array += '>';
        }
        if (elements >= operands.size() - 2) {
            return std::nullopt;
        }
        return array + "]TJ " + pdfNumber(state.charSpacing) + " Tc";
    }

    std::map<std::string, int> codeLengths_;
    std::vector<Token> operands_; // since the last operator, blanks included
    TextState state_;
    std::vector<TextState> saved_;
    bool rewrote_ = false;
};

} // namespace

bool joinGlyphRuns(QPDF& pdf) {
    bool rewrote = false;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        GlyphRunFilter filter(codeLengths(page));
        Pl_Buffer content("glyph runs");
        try {
            page.filterContents(&filter, &content);
        } catch (const std::exception&) {
            continue; // a page whose content cannot be read stays as it is
        }
        if (filter.rewrote()) {
            page.getObjectHandle().replaceKey(
                "/Contents", QPDFObjectHandle::newStream(&pdf, content.getBufferSharedPointer()));
            rewrote = true;
        }
    }
    return rewrote;
}

} // namespace ostrel
