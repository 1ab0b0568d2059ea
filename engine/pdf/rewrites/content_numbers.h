// Numbers of a content stream, read and written the same way by each rewrite of it.
#pragma once

#include <qpdf/QPDFTokenizer.hh>

#include <charconv>
#include <limits>
#include <string>
#include <system_error>

namespace ostrel {

inline bool isNumber(const QPDFTokenizer::Token& token) {
    return token.getType() == QPDFTokenizer::tt_integer ||
           token.getType() == QPDFTokenizer::tt_real;
}

// Numbers are read and written in the C locale's way whatever the user's locale; NaN for
// a token that is none.
inline double numberOf(const QPDFTokenizer::Token& token) {
    double value = std::numeric_limits<double>::quiet_NaN();
    if (isNumber(token)) {
        const std::string& text = token.getValue();
        const char* first = text.data() + (text.starts_with('+') ? 1 : 0);
        if (std::from_chars(first, text.data() + text.size(), value).ec != std::errc()) {
            return std::numeric_limits<double>::quiet_NaN();
        }
    }
    return value;
}

// A number as PDF writes it: no exponent, no trailing zeros.
inline std::string pdfNumber(double value) {
    char text[400]; // the longest double in fixed notation fits
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6).ptr;
    std::string number(text, end);
    number.erase(number.find_last_not_of('0') + 1);
    if (number.back() == '.') {
        number.pop_back();
    }
    return number == "-0" ? "0" : number;
}

} // namespace ostrel
