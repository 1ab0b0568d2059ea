// The Type 1 reader (the eexec decryption and the CharStrings entries) with the Unicode
// map that names the glyphs: the input is a map, a NUL byte, then a font program whose
// clear part ends after "eexec" and whose trailer is the run of zeros at its end. Any
// such font is renamed or left alone, and a renamed one's lengths fit its program.
#include "fuzz_target.h"
#include "type1_glyph_names.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cctype>
#include <string>
#include <string_view>

namespace {

QPDFObjectHandle stream(QPDF& pdf, std::string_view data) {
    return QPDFObjectHandle::newStream(&pdf, std::string(data));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    if (split == std::string_view::npos) {
        return 0;
    }
    const std::string_view cmap = input.substr(0, split);
    const std::string_view font = input.substr(split + 1);
    std::size_t clear = font.find("eexec");
    clear = clear == std::string_view::npos ? font.size() : clear + 5;
    while (clear < font.size() && std::isspace(static_cast<unsigned char>(font[clear])) != 0) {
        ++clear;
    }
    const std::size_t trailer = font.find(std::string(64, '0'), clear);
    const std::size_t encrypted =
        (trailer == std::string_view::npos ? font.size() : trailer) - clear;

    QPDF pdf;
    pdf.emptyPDF();
    pdf.setSuppressWarnings(true);
    QPDFObjectHandle fontFile = stream(pdf, font);
    fontFile.getDict().replaceKey("/Length1",
                                  QPDFObjectHandle::newInteger(static_cast<long long>(clear)));
    fontFile.getDict().replaceKey("/Length2",
                                  QPDFObjectHandle::newInteger(static_cast<long long>(encrypted)));
    QPDFObjectHandle descriptor =
        QPDFObjectHandle::parse("<< /Type /FontDescriptor /FontName /F >>");
    descriptor.replaceKey("/FontFile", fontFile);
    QPDFObjectHandle dict =
        pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 >>"));
    dict.replaceKey("/FontDescriptor", descriptor);
    dict.replaceKey("/ToUnicode", stream(pdf, cmap));
    if (!ostrel::nameType1GlyphsByUnicode(pdf)) {
        return 0;
    }
    const auto renamed = fontFile.getRawStreamData();
    const long long length1 = fontFile.getDict().getKey("/Length1").getIntValue();
    const long long length2 = fontFile.getDict().getKey("/Length2").getIntValue();
    if (length1 < 0 || length2 < 0 ||
        static_cast<std::size_t>(length1 + length2) > renamed->getSize()) {
        ostrel::fuzz::violated("a renamed font's parts fit its program");
    }
    return 0;
}
