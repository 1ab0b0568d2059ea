// Text arrays rewritten as runs of glyphs: poppler must find every word of the rewritten
// page where it finds it on the original.
#include "glyph_runs.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cmath>
#include <string>
#include <vector>

namespace ostrel {
namespace {

// A page with Helvetica as /F1 and, as /F2, a composite font of two-byte codes whose
// codes 1 to 26 stand for "A" to "Z".
void makePage(QPDF& pdf, const std::string& content) {
    pdf.emptyPDF();
    QPDFObjectHandle toUnicode = QPDFObjectHandle::newStream(
        &pdf, "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
              "/CMapName /Letters def 1 begincodespacerange <0000> <FFFF> endcodespacerange\n"
              "1 beginbfrange <0001> <001A> <0041> endbfrange\n"
              "endcmap CMapName currentdict /CMap defineresource pop end end\n");
    QPDFObjectHandle composite = QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type0 /BaseFont /Helvetica /Encoding /Identity-H"
        " /DescendantFonts [<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Helvetica"
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
        " /FontDescriptor << /Type /FontDescriptor /FontName /Helvetica /Flags 32"
        " /FontBBox [0 -200 1000 900] /ItalicAngle 0 /Ascent 900 /Descent -200"
        " /CapHeight 700 /StemV 80 >> /DW 600 >>] >>");
    composite.replaceKey("/ToUnicode", toUnicode);
    QPDFObjectHandle fonts =
        QPDFObjectHandle::parse("<< /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >>");
    fonts.replaceKey("/F2", composite);
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
    page.replaceKey("/Resources", QPDFObjectHandle::newDictionary({{"/Font", fonts}}));
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
    QPDFPageDocumentHelper(pdf).addPage(page, false);
}

struct Word {
    std::string text;
    double xMin, yMin, xMax, yMax;
};

// The words poppler finds on the PDF, with their boxes.
std::vector<Word> wordsOf(const QString& pdf) {
    QProcess extract;
    extract.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    extract.waitForFinished(120000);
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([-\\d.]+)\" yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" "
                       "yMax=\"([-\\d.]+)\">([^<]*)</word>"));
    std::vector<Word> words;
    auto found = word.globalMatch(QString::fromUtf8(extract.readAllStandardOutput()));
    while (found.hasNext()) {
        const auto match = found.next();
        words.push_back({match.captured(5).toStdString(), match.captured(1).toDouble(),
                         match.captured(2).toDouble(), match.captured(3).toDouble(),
                         match.captured(4).toDouble()});
    }
    return words;
}

TEST(GlyphRuns, EveryGlyphStaysWhereItWas) {
    struct Case {
        const char* name;
        const char* content;
        bool rewritten;
    };
    const Case cases[] = {
        {"glyphs with one adjustment, spaces with another, text after the array",
         "BT /F1 10 Tf 50 700 Td [(L)7(i)7(n)7(e)7( )-16(o)7(n)7(e)7( )-16(t)7(w)7(o)]TJ "
         "(end) Tj ET",
         true},
        {"character spacing already set, and set inside q and Q",
         "BT /F1 10 Tf 0.5 Tc 50 700 Td [(A)20(B)20(C)20( )-300(D)]TJ (EF) Tj ET "
         "q 2 Tc Q BT /F1 10 Tf 50 650 Td [(G)20(H)20(I)]TJ (JK) Tj ET "
         "BT /F1 10 Tf 12 TL 50 600 Td 0 1 (L) \" [(M)20(N)20(O)]TJ (PQ) Tj ET",
         true},
        {"strings of several glyphs, a number before the first and after the last",
         "BT /F1 12 Tf 50 700 Td [-100(L)7(in)7(e)7( )-300(t)7(wo)7(w)7(o)7(r)7(ds)50]TJ (x) Tj ET",
         true},
        {"word spacing on the spaces inside runs",
         "BT /F1 10 Tf 4 Tw 50 700 Td [(a)7( )7(b)7( )7(c)]TJ (d) Tj ET", true},
        {"escaped characters in literal strings",
         "BT /F1 10 Tf 50 700 Td [(\\()9(\\))9(\\101)9(\\\\)9(B)]TJ ( C) Tj ET", true},
        {"a font of two-byte codes",
         "BT /F2 10 Tf 50 700 Td [<00010002>7<0003>7<0004>-300<0005>7<0006>]TJ <0007> Tj ET", true},
        {"no adjustment shared", "BT /F1 10 Tf 50 700 Td [(A)(B)5(C)]TJ ET", false},
        {"a font the page does not have", "BT /F9 10 Tf 50 700 Td [(A)7(B)7(C)]TJ ET", false},
        {"an odd byte in a font of two-byte codes",
         "BT /F2 10 Tf 50 700 Td [<000100>7<02>7<0003>]TJ ET", false},
        {"no font yet", "BT 50 700 Td [(A)7(B)7(C)]TJ ET", false},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPDF pdf;
        makePage(pdf, c.content);
        const QString original = dir.filePath(QStringLiteral("original.pdf"));
        QPDFWriter(pdf, original.toLocal8Bit().constData()).write();
        ASSERT_EQ(joinGlyphRuns(pdf), c.rewritten);
        if (!c.rewritten) {
            continue;
        }
        const QString rewritten = dir.filePath(QStringLiteral("rewritten.pdf"));
        QPDFWriter(pdf, rewritten.toLocal8Bit().constData()).write();
        const auto before = wordsOf(original);
        const auto after = wordsOf(rewritten);
        ASSERT_GE(before.size(), 2u);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            SCOPED_TRACE(before[i].text);
            EXPECT_EQ(after[i].text, before[i].text);
            EXPECT_NEAR(after[i].xMin, before[i].xMin, 0.005);
            EXPECT_NEAR(after[i].xMax, before[i].xMax, 0.005);
            EXPECT_NEAR(after[i].yMin, before[i].yMin, 0.005);
        }
    }
}

} // namespace
} // namespace ostrel
