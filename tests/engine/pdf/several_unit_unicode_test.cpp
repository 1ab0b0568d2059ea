// Which Unicode maps give a code several UTF-16 units, the way the office and other
// writers put them.
#include "several_unit_unicode.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <string>

namespace ostrel {
namespace {

// A PDF whose one font has a Unicode map with these entries.
bool severalUnits(const std::string& entries) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle font = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /TrueType /BaseFont /DejaVuSans >>"));
    font.replaceKey("/ToUnicode",
                    QPDFObjectHandle::newStream(
                        &pdf, "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
                              "1 begincodespacerange <00> <FF> endcodespacerange\n" +
                                  entries + "\nendcmap\nend\nend\n"));
    return hasSeveralUnitUnicode(pdf);
}

TEST(SeveralUnitUnicode, FoundInCharacterAndRangeEntriesOnly) {
    struct Case {
        const char* entries;
        bool several;
    };
    for (const Case& c : {
             Case{"2 beginbfchar\n<0E> <0061>\n<0F> <00660066>\nendbfchar", true},
             Case{"1 beginbfchar <0F><D835DC00> endbfchar", true}, // a surrogate pair
             Case{"2 beginbfchar\n<0E> <0061>\n<0F> <0066>\nendbfchar", false},
             Case{"1 beginbfchar <0F> <0066> endbfchar 1 beginbfrange <10> <12> <00660069>"
                  " endbfrange",
                  true},
             Case{"1 beginbfrange <10> <12> [<0061> <00660069> <0063>] endbfrange", true},
             Case{"2 beginbfrange <10> <12> [<0061> <0062> <0063>]\n<20> <7E> <0020>\nendbfrange",
                  false},
             Case{"1 beginbfrange <0010> <0012> <0041> endbfrange", false}, // two-byte codes
         }) {
        SCOPED_TRACE(c.entries);
        EXPECT_EQ(severalUnits(c.entries), c.several);
    }
}

} // namespace
} // namespace ostrel
