// Text between our UTF-8 strings and the office's OUString.
#pragma once

#include <rtl/ustring.hxx>

#include <string>

// The office's own code has these names at global scope; ours uses them the same way.
using rtl::OString;
using rtl::OUString;

namespace ostrel::bridge {

inline OUString toOUString(const std::string& utf8) {
    return OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
}

inline std::string toUtf8(const OUString& text) {
    const OString bytes = OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(bytes.getStr(), static_cast<std::size_t>(bytes.getLength()));
}

} // namespace ostrel::bridge
