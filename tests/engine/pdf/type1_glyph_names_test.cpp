// The renaming of a Type 1 font's glyphs by their characters, on fonts built here: the
// clear part's encoding, the eexec-encrypted private part's CharStrings and the Unicode
// map, and fonts laid out otherwise or broken, which must stay as they are.
#include "type1_glyph_names.h"

#include <gtest/gtest.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <string>

namespace ostrel {
namespace {

// Type 1 eexec encryption (key 55665) of a private part.
std::string eexec(const std::string& data, bool decrypt) {
    std::string out(data.size(), '\0');
    unsigned key = 55665;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto in = static_cast<unsigned char>(data[i]);
        const auto result = static_cast<unsigned char>(in ^ (key >> 8));
        key = (((decrypt ? in : result) + key) * 52845u + 22719u) & 0xFFFFu;
        out[i] = static_cast<char>(result);
    }
    return out;
}

const std::string kClear = "%!PS-AdobeFont-1.0: Crafted 001.000\n"
                           "/Encoding 256 array\n"
                           "0 1 255 {1 index exch /.notdef put} for\n"
                           "dup 65 /A put\ndup 66 /fi put\ndup 67 /C put\n"
                           "readonly def\ncurrentfile eexec\n";
// Four random bytes, then the private dictionary; the charstrings' bytes are opaque.
const std::string kPrivate = "abcddup /Private 8 dict dup begin\n"
                             "/RD{string currentfile exch readstring pop}executeonly def\n"
                             "2 index /CharStrings 4 dict dup begin\n"
                             "/.notdef 2 RD \x01\x02 ND\n"
                             "/A 3 RD a b ND\n"
                             "/fi 2 RD \xff\n ND\n"
                             "/C 1 RD c ND\n"
                             "end\nend\nmark currentfile closefile\n";
const std::string kTrailer = "0000000000\ncleartomark\n";
const std::string kMap = "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
                         "1 begincodespacerange <00> <FF> endcodespacerange\n"
                         "3 beginbfchar\n<41> <0041>\n<42> <00660069>\n<43> <D835DC00>\n"
                         "endbfchar\nendcmap\nend\nend\n";

struct Font {
    std::string clear = kClear;
    std::string privatePart = eexec(kPrivate, false);
    std::string trailer = kTrailer;
    std::string map = kMap;
    long long length1 = -1; // -1: the clear part's length
    long long length2 = -1; // -1: the private part's length
    bool encoding = false;  // an /Encoding entry of the font dictionary
};

struct Result {
    bool renamed = false;
    std::string clear;
    std::string privatePart; // decrypted
    std::string map;
    std::string fontFile;
};

std::string streamText(QPDFObjectHandle stream) {
    const auto data = stream.getStreamData(qpdf_dl_generalized);
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

Result rename(const Font& font) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle file =
        QPDFObjectHandle::newStream(&pdf, font.clear + font.privatePart + font.trailer);
    const auto length = [](long long given, const std::string& part) {
        return QPDFObjectHandle::newInteger(given >= 0 ? given
                                                       : static_cast<long long>(part.size()));
    };
    file.getDict().replaceKey("/Length1", length(font.length1, font.clear));
    file.getDict().replaceKey("/Length2", length(font.length2, font.privatePart));
    file.getDict().replaceKey("/Length3", QPDFObjectHandle::newInteger(0));
    QPDFObjectHandle dict = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Crafted >>"));
    QPDFObjectHandle descriptor = QPDFObjectHandle::parse("<< /Type /FontDescriptor >>");
    descriptor.replaceKey("/FontFile", file);
    dict.replaceKey("/FontDescriptor", descriptor);
    dict.replaceKey("/ToUnicode", QPDFObjectHandle::newStream(&pdf, font.map));
    if (font.encoding) {
        dict.replaceKey("/Encoding", QPDFObjectHandle::newName("/WinAnsiEncoding"));
    }
    Result result;
    result.renamed = nameType1GlyphsByUnicode(pdf);
    result.fontFile = streamText(file);
    result.map = streamText(dict.getKey("/ToUnicode"));
    const auto clearSize =
        static_cast<std::size_t>(file.getDict().getKey("/Length1").getIntValue());
    const auto privateSize =
        static_cast<std::size_t>(file.getDict().getKey("/Length2").getIntValue());
    if (clearSize + privateSize <= result.fontFile.size()) {
        result.clear = result.fontFile.substr(0, clearSize);
        result.privatePart = eexec(result.fontFile.substr(clearSize, privateSize), true);
    }
    return result;
}

TEST(Type1GlyphNames, GlyphsOfOneCharacterTakeItsNameInTheEncodingAndTheCharStrings) {
    const Result result = rename(Font{});
    ASSERT_TRUE(result.renamed);
    // A ligature is named by both its characters; a character beyond the Basic
    // Multilingual Plane has no such name and keeps its glyph name.
    EXPECT_NE(result.clear.find("dup 65 /uni0041 put\ndup 66 /uni00660069 put\ndup 67 /C put"),
              std::string::npos)
        << result.clear;
    EXPECT_NE(result.privatePart.find("/.notdef 2 RD \x01\x02 ND\n/uni0041 3 RD a b ND\n"
                                      "/uni00660069 2 RD \xff\n ND\n/C 1 RD c ND\nend"),
              std::string::npos)
        << result.privatePart;
    EXPECT_TRUE(result.privatePart.starts_with("abcddup /Private"));
    EXPECT_TRUE(result.fontFile.ends_with(kTrailer));
    // The map keeps the codes of one character: the ligature's entry would make
    // Ghostscript drop the whole map.
    EXPECT_NE(result.map.find("<41> <0041>"), std::string::npos) << result.map;
    EXPECT_EQ(result.map.find("<42>"), std::string::npos) << result.map;
}

// Fonts laid out otherwise than the office writes them, or broken: left as they are.
TEST(Type1GlyphNames, FontsItCannotReadStayAsTheyAre) {
    const auto withPrivate = [](const std::string& plain) {
        Font font;
        font.privatePart = eexec(plain, false);
        return font;
    };
    const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    struct Case {
        const char* what;
        Font font;
    };
    Font encoded;
    encoded.encoding = true;
    Font hexadecimal;
    hexadecimal.privatePart = "d9d66f633b846a989b9974b0179fc6cc";
    Font tooLong;
    tooLong.length2 = 100000;
    Font tooShort;
    tooShort.length2 = 3;
    Font noMap;
    noMap.map = "no map here";
    Font noCharacters;
    noCharacters.map = replaced(kMap, "<41> <0041>\n<42> <00660069>", "<41> <0000>\n<42> <>");
    for (const Case& c : {
             Case{"an encoding of the font dictionary", encoded},
             Case{"a hexadecimal private part", hexadecimal},
             Case{"a private part beyond the data", tooLong},
             Case{"a private part shorter than its random bytes", tooShort},
             Case{"a map without the font's codes", noMap},
             Case{"characters without a name", noCharacters},
             Case{"no CharStrings", withPrivate(replaced(kPrivate, "/CharStrings", "/Glyphs"))},
             Case{"a renamed glyph missing from the CharStrings",
                  withPrivate(replaced(kPrivate, "/fi 2", "/ff 2"))},
             Case{"a charstring longer than the private part",
                  withPrivate(replaced(kPrivate, "/C 1 RD", "/C 9999 RD"))},
             Case{"a charstring length beyond any number",
                  withPrivate(replaced(kPrivate, "/C 1 RD", "/C 99999999999999999999999 RD"))},
             Case{"a charstring without its length",
                  withPrivate(replaced(kPrivate, "/A 3 RD", "/A RD"))},
         }) {
        SCOPED_TRACE(c.what);
        const std::string before = c.font.clear + c.font.privatePart + c.font.trailer;
        const Result result = rename(c.font);
        EXPECT_FALSE(result.renamed);
        EXPECT_EQ(result.fontFile, before);
        EXPECT_EQ(result.map, c.font.map);
    }
}

} // namespace
} // namespace ostrel
