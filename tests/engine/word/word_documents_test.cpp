// Whole documents through the real "Word.Application" server on LibreOffice and the real
// Ghostscript, in a private registry and spool folder: the corpus in one batch, the
// protected documents, the hostile files. After each run no office or Ghostscript process
// of ours is left and the spool folder holds only its files.
#include "corpus_tools.h"
#include "document_conversion.h"
#include "document_password.h"
#include "environment.h"
#include "missing.h"
#include "output_name.h"
#include "pdf_facts.h"
#include "scripted_host.h"
#include "word_registration.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ScriptedHost;
using ::testing::IsEmpty;

class WordDocumentsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { folders = new test::PrivateFolders; }
    static void TearDownTestSuite() {
        delete folders;
        folders = nullptr;
    }

    void SetUp() override {
        const auto servers = word::knownServerLibraries();
        if (std::none_of(servers.begin(), servers.end(), [](const std::filesystem::path& p) {
                return !p.empty() && std::filesystem::exists(p);
            })) {
            OSTREL_MISSING() << "no \"Word.Application\" server in this build";
        }
        resetDocumentPassword();
        options.destinationFolder = folders->freshFolder();
    }
    void TearDown() override {
        EXPECT_THAT(test::leftoverProcesses(), IsEmpty());
        EXPECT_THAT(test::unexpectedSpoolFiles(folders->spool()), IsEmpty());
    }

    // Converts the files as one run; the outcome of each.
    std::vector<Outcome::Kind> convertAll(const QStringList& files) {
        DocumentConverter converter(host);
        std::vector<Outcome::Kind> outcomes;
        for (int i = 0; i < files.size(); ++i) {
            outcomes.push_back(
                converter.convertEntry(files[i], i, int(files.size()), options).kind);
        }
        return outcomes;
    }
    QString pdfOf(const QString& source) const {
        return outputFilePath(options.destinationFolder, source);
    }

    static test::PrivateFolders* folders;
    ScriptedHost host;
    ConversionOptions options;
};

test::PrivateFolders* WordDocumentsTest::folders = nullptr;

// The navigation of a PDF: its outline, and its links sorted (the order of a page's links
// is the writer's).
struct Navigation {
    std::vector<test::PdfBookmark> bookmarks;
    std::vector<test::PdfLink> links;
    bool operator==(const Navigation&) const = default;
};

void PrintTo(const Navigation& navigation, std::ostream* out) {
    for (const auto& bookmark : navigation.bookmarks) {
        *out << "\n  bookmark " << bookmark.level << " \"" << bookmark.title << "\" page "
             << bookmark.page;
    }
    for (const auto& link : navigation.links) {
        *out << "\n  link on page " << link.page << " to " << link.uri << " page " << link.target;
    }
}

Navigation navigationOf(const QString& pdf, const std::string& password = {}) {
    const auto facts = test::readPdf(pdf.toStdString(), password);
    if (!facts) {
        return {};
    }
    Navigation navigation{facts->bookmarks, facts->links};
    std::sort(navigation.links.begin(), navigation.links.end());
    return navigation;
}

// Same-named documents (a.doc, a.docx) go to different folders; each folder is one run.
// With the default options (PDF 1.3, which knows no transparency) our PDF must be the
// office's export of the document: the same pages, outline and links, the first page
// alike, and the text: at least 99 % of the words that pdftotext finds in the export, per
// document and in all, and no character the export does not have. A generated document
// that has every kind of navigation joins the first run.
TEST_F(WordDocumentsTest, EveryCorpusDocumentConvertsLikeTheOfficesOwnExport) {
    const QStringList files = test::corpusFiles(QStringLiteral("documents"));
    if (files.isEmpty()) {
        OSTREL_MISSING() << "no corpus at " OSTREL_CORPUS_DIR;
    }
    const QString render = folders->path(QStringLiteral("render"));
    int allWords = 0;
    int allFound = 0;
    std::vector<QStringList> runs = test::withoutNameClashes(files);
    runs.front() << test::writeNavigationDocument(folders->path(QStringLiteral("navigation")));
    for (const QStringList& run : runs) {
        options.destinationFolder = folders->freshFolder();
        const auto reference =
            test::referenceExports(run, options.destinationFolder + QStringLiteral("-office"));

        const auto outcomes = convertAll(run);

        for (int i = 0; i < run.size(); ++i) {
            SCOPED_TRACE(run[i].toStdString());
            const QString expected = reference.at(run[i]);
            ASSERT_FALSE(expected.isEmpty()) << "LibreOffice's own export failed";
            EXPECT_EQ(outcomes[std::size_t(i)], Outcome::Converted);
            const QString pdf = pdfOf(run[i]);
            EXPECT_EQ(test::pdfPageCount(pdf.toStdString()),
                      test::pdfPageCount(expected.toStdString()));
            EXPECT_EQ(navigationOf(pdf), navigationOf(expected));
            EXPECT_LE(test::firstPageDifference(pdf, expected, render), 0.01);

            const auto words = test::pdfWords(expected);
            const auto ours = test::pdfWords(pdf);
            const int found = test::sharedWordCount(words, ours);
            EXPECT_GE(found * 100, test::wordCount(words) * 99)
                << found << " of " << test::wordCount(words) << " words";
            EXPECT_EQ(test::charactersNotIn(ours, words).toStdString(), "");
            EXPECT_THAT(test::fontsWithoutUnicode(pdf), IsEmpty());
            allWords += test::wordCount(words);
            allFound += found;
        }
    }
    EXPECT_GT(allWords, 0);
    EXPECT_GE(allFound * 100, allWords * 99) << allFound << " of " << allWords << " words";
    EXPECT_THAT(host.messages, IsEmpty());
    EXPECT_EQ(host.convertedFiles.size(), std::size_t(files.size() + 1));
}

// The outline and links survive the options that change most: PDF 1.5 with JPEG pictures,
// and 128-bit encryption (read with the user password); for the generated document and
// the corpus documents whose export has any.
TEST_F(WordDocumentsTest, NavigationSurvivesTheOptions) {
    QStringList files{test::writeNavigationDocument(folders->path(QStringLiteral("navigation")))};
    // Without the corpus the generated document alone is checked, except under the switch.
    const QString corpus = test::corpusFolder(QStringLiteral("documents"));
    EXPECT_FALSE(corpus.isEmpty() && test::everythingRequired())
        << "no corpus at " OSTREL_CORPUS_DIR;
    for (const QString& name : {QStringLiteral("Styles.docx"), QStringLiteral("footnotes.docx"),
                                QStringLiteral("Lists.doc")}) {
        if (!corpus.isEmpty()) {
            files << corpus + u'/' + name;
        }
    }
    const auto reference = test::referenceExports(files, folders->freshFolder());
    for (const bool encrypted : {false, true}) {
        SCOPED_TRACE(encrypted ? "128-bit RC4" : "PDF 1.5, JPEG");
        options = ConversionOptions{};
        options.destinationFolder = folders->freshFolder();
        if (encrypted) {
            options.securityEnabled = true;
            options.encryptionLevel = EncryptionLevel::Rc4_128;
            options.userPassword = QStringLiteral("reader");
            options.ownerPassword = QStringLiteral("owner");
        } else {
            options.pdfVersion = PdfVersion::V1_5;
            options.imageCompression = ImageFilter::Jpeg;
        }
        ASSERT_EQ(convertAll(files),
                  std::vector<Outcome::Kind>(std::size_t(files.size()), Outcome::Converted));
        for (const QString& file : files) {
            SCOPED_TRACE(file.toStdString());
            const Navigation expected = navigationOf(reference.at(file));
            EXPECT_FALSE(expected.bookmarks.empty() && expected.links.empty());
            EXPECT_EQ(navigationOf(pdfOf(file), encrypted ? "reader" : ""), expected);
        }
    }
    // The generated document has each kind: a three-level outline, links to pages and URIs.
    const Navigation generated = navigationOf(reference.at(files.front()));
    EXPECT_EQ(generated.bookmarks.size(), 4u);
    EXPECT_EQ(std::count_if(generated.links.begin(), generated.links.end(),
                            [](const test::PdfLink& link) { return link.target == 3; }),
              2);
    EXPECT_EQ(std::count_if(generated.links.begin(), generated.links.end(),
                            [](const test::PdfLink& link) { return !link.uri.empty(); }),
              3);
}

// The printer's PDF carries its pictures as they are; the user's image filter and JPEG
// quality must still decide how they are stored.
TEST_F(WordDocumentsTest, JpegQualityChangesThePhotographs) {
    const QString folder = test::corpusFolder(QStringLiteral("documents"));
    if (folder.isEmpty()) {
        OSTREL_MISSING() << "no corpus at " OSTREL_CORPUS_DIR;
    }
    const QString photographs = folder + QStringLiteral("/having-images.docx");
    options.pdfVersion = PdfVersion::V1_4;
    options.imageCompression = ImageFilter::Jpeg;
    long long bytes[2] = {};
    for (int i = 0; i < 2; ++i) {
        options.jpegQuality = i == 0 ? JpegQuality::Minimum : JpegQuality::Maximum;
        options.destinationFolder = folders->freshFolder();
        ASSERT_EQ(convertAll({photographs}), std::vector{Outcome::Converted});
        const auto facts = test::readPdf(pdfOf(photographs).toStdString());
        ASSERT_TRUE(facts.has_value());
        for (const auto& image : facts->images) {
            if (image.filter == "/DCTDecode") {
                bytes[i] += image.length;
            }
        }
    }
    EXPECT_GT(bytes[0], 0);
    EXPECT_GT(bytes[1], 2 * bytes[0]);
}

// A picture with a colour table (an 8-bit BMP), anchored to the page: the office's
// PostScript for it made Ghostscript fail ("/ioerror in --readstring--").
QByteArray floatingIndexedPictureDocument() {
    constexpr int width = 64;
    constexpr int height = 48;
    QByteArray bitmap;
    QDataStream out(&bitmap, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    constexpr quint32 tableSize = 256 * 4;
    constexpr quint32 pixelOffset = 14 + 40 + tableSize;
    out.writeRawData("BM", 2);
    out << quint32(pixelOffset + width * height) << quint32(0) << pixelOffset;
    out << quint32(40) << qint32(width) << qint32(height) << quint16(1) << quint16(8) << quint32(0)
        << quint32(width * height) << qint32(2835) << qint32(2835) << quint32(256) << quint32(0);
    quint32 seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return quint8(seed >> 16);
    };
    for (quint32 i = 0; i < tableSize; ++i) {
        out << next();
    }
    for (int i = 0; i < width * height; ++i) {
        out << next();
    }
    return QByteArrayLiteral(
               R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
               R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
               R"(xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" )"
               R"(xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" )"
               R"(office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">)"
               R"(<office:body><office:text>)"
               R"(<draw:frame text:anchor-type="page" text:anchor-page-number="1" svg:x="2cm" )"
               R"(svg:y="3cm" svg:width="4cm" svg:height="3cm"><draw:image><office:binary-data>)") +
           bitmap.toBase64() +
           QByteArrayLiteral("</office:binary-data></draw:image></draw:frame>"
                             "<text:p>Floating picture</text:p></office:text></office:body>"
                             "</office:document>\n");
}

TEST_F(WordDocumentsTest, FloatingIndexedPictureConverts) {
    const QString document = folders->path(QStringLiteral("floating")) + "/floating.fodt";
    QFile file(document);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(floatingIndexedPictureDocument());
    file.close();

    ASSERT_EQ(convertAll({document}), std::vector{Outcome::Converted});
    const QString pdf = pdfOf(document);
    EXPECT_EQ(test::pdfPageCount(pdf.toStdString()), 1);
    EXPECT_TRUE(test::firstPageHasInk(pdf, folders->path(QStringLiteral("render"))));
    EXPECT_EQ(test::pdfWords(pdf).count(QStringLiteral("Floating")), 1u);
}

TEST_F(WordDocumentsTest, ProtectedDocuments) {
    const QString folder = test::corpusFolder(QStringLiteral("protected"));
    if (folder.isEmpty()) {
        OSTREL_MISSING() << "no corpus at " OSTREL_CORPUS_DIR;
    }
    const QString docx = folder + QStringLiteral("/example_password.docx");
    const QString doc = folder + QStringLiteral("/rc4cryptoapi_password.doc");
    const QString tika = folder + QStringLiteral("/password_tika_binaryrc4.doc");
    const QString right = QStringLiteral("Password1234_");

    // The right password at once; a wrong one then the right one; then a document with
    // the same password must ask again, and Cancel leaves it.
    host.passwords = {right, QStringLiteral("wrong"), QStringLiteral("tika"), std::nullopt};
    const auto outcomes = convertAll({docx, tika, doc});

    EXPECT_EQ(outcomes, (std::vector{Outcome::Converted, Outcome::Converted, Outcome::Failed}));
    EXPECT_EQ(host.passwordPrompts, 4);
    EXPECT_GT(test::pdfPageCount(pdfOf(docx).toStdString()), 0);
    EXPECT_GT(test::pdfPageCount(pdfOf(tika).toStdString()), 0);
    EXPECT_FALSE(QFileInfo::exists(pdfOf(doc)));
    EXPECT_EQ(documentPassword(), kPlaceholderPassword);
}

TEST_F(WordDocumentsTest, HostileFilesAreEachReportedAndTheRunGoesOn) {
    QStringList files = test::corpusFiles(QStringLiteral("hostile"));
    if (files.isEmpty()) {
        OSTREL_MISSING() << "no corpus at " OSTREL_CORPUS_DIR;
    }
    // A good document last: the run must still reach it.
    files << test::corpusFolder(QStringLiteral("documents")) + QStringLiteral("/plain.doc");

    const auto outcomes = convertAll(files); // no password to give: each prompt cancels

    for (int i = 0; i + 1 < files.size(); ++i) {
        SCOPED_TRACE(files[i].toStdString());
        if (outcomes[std::size_t(i)] == Outcome::Converted) {
            EXPECT_GT(test::pdfPageCount(pdfOf(files[i]).toStdString()), 0);
            continue;
        }
        EXPECT_FALSE(QFileInfo::exists(pdfOf(files[i])));
        // Reported: by the password prompt (its file name) or by a message (its path).
        const std::string name = QFileInfo(files[i]).fileName().toStdString();
        EXPECT_TRUE(std::any_of(host.events.begin(), host.events.end(),
                                [&](const std::string& e) { return e.find(name) != e.npos; }));
    }
    EXPECT_EQ(outcomes.back(), Outcome::Converted);
}

} // namespace
} // namespace ostrel

int main(int argc, char** argv) {
    // Orphaned descendants come back to us, so none can hide from the leftover check.
    ostrel::test::makeThisProcessTheirReaper();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
