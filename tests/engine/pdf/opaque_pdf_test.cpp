// Making a PDF opaque, on objects built here: soft masks become stencil masks, paint set
// while half transparent takes the colour it leaves on white, and masks or content it
// cannot read stay as they are.
#include "opaque_pdf.h"

#include <gtest/gtest.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <optional>
#include <string>

namespace ostrel {
namespace {

std::string streamText(QPDFObjectHandle stream) {
    const auto data = stream.getStreamData(qpdf_dl_generalized);
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

// An image whose soft mask has this dictionary (Width, Height, BitsPerComponent, Decode)
// and these samples; the stencil mask's bytes it gets, or nothing when it keeps its soft
// mask.
std::optional<std::string> stencilFor(const std::string& maskEntries, const std::string& samples) {
    QPDF pdf;
    pdf.emptyPDF();
    pdf.setSuppressWarnings(true);
    QPDFObjectHandle softMask = QPDFObjectHandle::newStream(&pdf, samples);
    softMask.replaceDict(QPDFObjectHandle::parse(
        "<< /Type /XObject /Subtype /Image /ColorSpace /DeviceGray " + maskEntries + " >>"));
    QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf, std::string(64, '\x7f'));
    image.replaceDict(QPDFObjectHandle::parse("<< /Type /XObject /Subtype /Image /Width 1 "
                                              "/Height 1 /ColorSpace /DeviceGray "
                                              "/BitsPerComponent 8 >>"));
    image.getDict().replaceKey("/SMask", softMask);
    const bool changed = makeOpaque(pdf);
    QPDFObjectHandle stencil = image.getDict().getKey("/Mask");
    if (!stencil.isStream()) {
        EXPECT_FALSE(changed);
        EXPECT_TRUE(image.getDict().getKey("/SMask").isStream());
        return std::nullopt;
    }
    EXPECT_TRUE(changed);
    EXPECT_FALSE(image.getDict().hasKey("/SMask"));
    EXPECT_TRUE(stencil.getDict().getKey("/ImageMask").isBool());
    EXPECT_EQ(stencil.getDict().getKey("/BitsPerComponent").getIntValue(), 1);
    return streamText(stencil);
}

// 1 in a stencil mask hides the pixel: a soft mask shows the pixels at least half
// opaque, rows padded to whole bytes.
TEST(OpaquePdf, SoftMasksBecomeStencilsThatShowThePixelsAtLeastHalfOpaque) {
    struct Case {
        const char* entries;
        std::string samples;
        std::optional<std::string> stencil;
    };
    for (const Case& c : {
             Case{"/Width 3 /Height 1 /BitsPerComponent 8", std::string("\x00\x7f\x80", 3), "\xc0"},
             Case{"/Width 3 /Height 1 /BitsPerComponent 8 /Decode [1 0]",
                  std::string("\x00\x7f\x80", 3), std::string("\x20")},
             Case{"/Width 1 /Height 2 /BitsPerComponent 8", std::string("\xff\x00", 2),
                  std::string("\x00\x80", 2)},
             Case{"/Width 9 /Height 1 /BitsPerComponent 1", std::string("\xaa\x80", 2),
                  std::string("\x55\x00", 2)},
             Case{"/Width 2 /Height 1 /BitsPerComponent 16", std::string("\x80\x00\x7f\xff", 4),
                  std::string("\x40")},
             Case{"/Width 4 /Height 1 /BitsPerComponent 2", "\x1b", std::string("\xc0")},
             // What it cannot read keeps its soft mask.
             Case{"/Width 3 /Height 1 /BitsPerComponent 3", std::string("\x00\x7f\x80", 3),
                  std::nullopt},
             Case{"/Width 0 /Height 1 /BitsPerComponent 8", std::string(1, '\0'), std::nullopt},
             Case{"/Width 3 /Height -1 /BitsPerComponent 8", std::string("\x00\x7f\x80", 3),
                  std::nullopt},
             Case{"/Height 1 /BitsPerComponent 8", std::string("\x00\x7f\x80", 3), std::nullopt},
             Case{"/Width 3 /Height 2 /BitsPerComponent 8", std::string("\x00\x7f\x80", 3),
                  std::nullopt},
             Case{"/Width (3) /Height 1 /BitsPerComponent 8", std::string("\x00\x7f\x80", 3),
                  std::nullopt},
             Case{"/Width 3 /Height 1 /BitsPerComponent 8 /Filter /FlateDecode", "not zlib",
                  std::nullopt},
         }) {
        SCOPED_TRACE(c.entries);
        EXPECT_EQ(stencilFor(c.entries, c.samples), c.stencil);
    }
}

struct Painted {
    bool changed = false;
    std::string page;
    std::string form;
    QPDFObjectHandle states;
};

// A page drawing `content` (and the form /Fm1 drawing `formContent`) with the graphics
// states /Half (fill half transparent, multiplied, with a soft mask) and /Quarter (stroke
// a quarter opaque).
Painted paint(const std::string& content, const std::string& formContent = "0 0 1 rg") {
    QPDF pdf;
    pdf.emptyPDF();
    pdf.setSuppressWarnings(true);
    QPDFObjectHandle form = QPDFObjectHandle::newStream(&pdf, formContent);
    form.replaceDict(QPDFObjectHandle::parse(
        "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << >> >>"));
    QPDFObjectHandle resources = QPDFObjectHandle::parse(
        "<< /ExtGState << /Half << /ca 0.5 /BM /Multiply /SMask << /S /Luminosity >> >>"
        " /Quarter << /CA 0.25 >> /Opaque << /ca 1 >> >> >>");
    resources.replaceKey("/XObject", QPDFObjectHandle::newDictionary());
    resources.getKey("/XObject").replaceKey("/Fm1", form);
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 100 100] >>"));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
    Painted painted;
    painted.changed = makeOpaque(pdf);
    painted.page = streamText(
        QPDFPageDocumentHelper(pdf).getAllPages().front().getObjectHandle().getKey("/Contents"));
    painted.form = streamText(form);
    painted.states = resources.getKey("/ExtGState");
    return painted;
}

TEST(OpaquePdf, PaintSetWhileTranslucentTakesTheColourItLeavesOnWhite) {
    struct Case {
        const char* content;
        const char* found;   // in the page's new content
        const char* missing; // no longer there
    };
    for (const Case& c : {
             Case{"/Half gs 1 0 0 rg 0 0 10 10 re f", "1 0.5 0.5 rg", "1 0 0 rg"},
             Case{"/Half gs 0 0 0 1 k", "0 0 0 0.5 k", "0 0 0 1 k"},
             Case{"/Half gs 0.2 g", "0.6 g", "0.2 g"},
             Case{"/Quarter gs 0 0 1 RG", "0.75 0.75 1 RG", "0 0 1 RG"},
             // The colour in force when the alpha changes, black at first.
             Case{"0 1 0 rg /Half gs", "0.5 1 0.5 rg", nullptr},
             Case{"/Half gs", "0.5 g", nullptr},
             // Q brings back the alpha saved by q.
             Case{"q /Half gs Q 1 0 0 rg", "1 0 0 rg", "1 0.5 0.5 rg"},
             Case{"/Half gs /Opaque gs 1 0 0 rg", "1 0 0 rg", "1 0.5 0.5 rg"},
             // Operands that are not a colour of that operator stay as they are.
             Case{"/Half gs 1 0 rg", "1 0 rg", nullptr},
             Case{"/Half gs /Name 0 0 rg", "/Name 0 0 rg", nullptr},
             Case{"/Unknown gs 1 0 0 rg", "1 0 0 rg", "1 0.5 0.5 rg"},
         }) {
        SCOPED_TRACE(c.content);
        Painted painted = paint(c.content);
        EXPECT_TRUE(painted.changed);
        EXPECT_NE(painted.page.find(c.found), std::string::npos) << painted.page;
        if (c.missing != nullptr) {
            EXPECT_EQ(painted.page.find(c.missing), std::string::npos) << painted.page;
        }
    }
}

TEST(OpaquePdf, StatesDrawOpaqueAndFormsDrawnTranslucentAreBlended) {
    Painted painted = paint("/Half gs /Fm1 Do");
    EXPECT_NE(painted.form.find("0.5 0.5 1 rg"), std::string::npos) << painted.form;
    QPDFObjectHandle half = painted.states.getKey("/Half");
    EXPECT_EQ(half.getKey("/ca").getNumericValue(), 1.0);
    EXPECT_TRUE(half.getKey("/BM").isNameAndEquals("/Normal"));
    EXPECT_TRUE(half.getKey("/SMask").isNameAndEquals("/None"));
    EXPECT_EQ(painted.states.getKey("/Quarter").getKey("/CA").getNumericValue(), 1.0);
    // Drawn opaque, the form stays as it is.
    EXPECT_EQ(paint("/Fm1 Do").form, "0 0 1 rg");
}

// Tokens that are not PDF (an unclosed string, bad hexadecimal) pass through as they
// are, and what follows them is not taken for operators.
TEST(OpaquePdf, MalformedTokensPassThroughUnchanged) {
    for (const std::string tail : {"(never closed 1 0 0 rg", "<zz> 1 0 rg"}) {
        SCOPED_TRACE(tail);
        Painted painted = paint("/Half gs " + tail);
        EXPECT_TRUE(painted.changed);
        EXPECT_EQ(painted.page, "/Half gs 0.5 g 0 G " + tail);
        EXPECT_EQ(painted.states.getKey("/Half").getKey("/ca").getNumericValue(), 1.0);
    }
}

} // namespace
} // namespace ostrel
