// The AES-256 encryption of a finished PDF, and the check that reads it back.
#include "pdf_encryption.h"

#include "pdf_check.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace ostrel {
namespace {

// A page of text with a link to itself, a bookmark and document information.
void writeDocument(const std::string& path) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font << /F1 << /Type /Font"
        " /Subtype /Type1 /BaseFont /Helvetica >> >> >> >>"));
    page.replaceKey("/Contents",
                    QPDFObjectHandle::newStream(&pdf, "BT /F1 24 Tf 72 700 Td (Kept text) Tj ET"));
    QPDFPageDocumentHelper(pdf).addPage(page, false);
    page = QPDFPageDocumentHelper(pdf).getAllPages().at(0).getObjectHandle();
    QPDFObjectHandle link = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Link /Rect [72 700 200 724] >>"));
    link.replaceKey("/Dest", QPDFObjectHandle::newArray({page, QPDFObjectHandle::newName("/Fit")}));
    page.replaceKey("/Annots", QPDFObjectHandle::newArray({link}));
    QPDFObjectHandle outlines = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Count 1 >>"));
    QPDFObjectHandle mark =
        pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Title (Chapter \\(one\\)) >>"));
    mark.replaceKey("/Parent", outlines);
    mark.replaceKey("/Dest", QPDFObjectHandle::newArray({page, QPDFObjectHandle::newName("/Fit")}));
    outlines.replaceKey("/First", mark);
    outlines.replaceKey("/Last", mark);
    pdf.getRoot().replaceKey("/Outlines", outlines);
    pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(QPDFObjectHandle::parse(
                                             "<< /Title (Plan) /Author <FEFF00C90076> >>")));
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
}

// The object graph reachable from the document's catalog and information, every
// reference named by the order it is first met (object numbers change on writing),
// strings and streams as they read after decryption; stream lengths and the catalog's
// /Extensions aside.
std::string graph(QPDFObjectHandle object, std::map<QPDFObjGen, int>& met) {
    if (object.isIndirect()) {
        const auto [at, first] = met.emplace(object.getObjGen(), static_cast<int>(met.size()));
        if (!first) {
            return "@" + std::to_string(at->second);
        }
    }
    std::string text;
    if (object.isArray()) {
        for (auto& item : object.getArrayAsVector()) {
            text += graph(item, met) + " ";
        }
        return "[" + text + "]";
    }
    if (object.isDictionary() || object.isStream()) {
        QPDFObjectHandle dict = object.isStream() ? object.getDict() : object;
        for (const auto& key : dict.getKeys()) {
            // The catalog gains the extension level that has AES-256.
            if (key != "/Length" && key != "/Extensions") {
                text += key + " " + graph(dict.getKey(key), met) + " ";
            }
        }
        if (object.isStream()) {
            const auto data = object.getRawStreamData();
            text += "stream " +
                    std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        }
        return "<<" + text + ">>";
    }
    return object.unparse();
}

std::string graphOf(const std::string& path, const char* password) {
    QPDF pdf;
    pdf.processFile(path.c_str(), password);
    std::map<QPDFObjGen, int> met;
    return graph(pdf.getRoot(), met) + graph(pdf.getTrailer().getKey("/Info"), met);
}

TEST(PdfEncryption, KeepsEverythingButAddsAes256ThatTheCheckVerifies) {
    QTemporaryDir dir;
    const std::string plainPath = dir.filePath(QStringLiteral("plain.pdf")).toStdString();
    const std::string encryptedPath = dir.filePath(QStringLiteral("secured.pdf")).toStdString();
    writeDocument(plainPath);
    const int plain = ::open(plainPath.c_str(), O_RDONLY | O_CLOEXEC);
    const int encrypted = ::open(encryptedPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(plain, 0);
    ASSERT_GE(encrypted, 0);
    ConversionOptions options;
    options.securityEnabled = true;
    options.encryptionLevel = EncryptionLevel::Aes256;
    options.userPassword = QStringLiteral("r\u00e9sum\u00e9 user");
    options.ownerPassword = QStringLiteral("owner");
    encryptPdf(plain, encrypted, options);

    EXPECT_EQ(graphOf(encryptedPath, "r\u00e9sum\u00e9 user"), graphOf(plainPath, ""));
    EXPECT_EQ(pdfDefect(encrypted, {true, "owner", true, 6, 5}), std::nullopt);
    EXPECT_EQ(pdfDefect(encrypted, {true, "owner", true, 3, 2}),
              "its encryption is R 6, V 5 instead of R 3, V 2");
    EXPECT_EQ(pdfDefect(plain, {true, "", false, 6, 5}), "it is not encrypted");
    ::close(plain);
    ::close(encrypted);
}

} // namespace
} // namespace ostrel
