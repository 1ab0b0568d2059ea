// The Ghostscript job against the real interpreter; the PDFs are read with qpdf.
#include "ghostscript_job.h"

#include "environment.h"
#include "ghostscript_executable.h"
#include "option_choices.h"
#include "output_name.h"
#include "pdf_facts.h"
#include "pdf_parts.h"
#include "permission_case.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <array>
#include <csignal>
#include <optional>
#include <unistd.h>

namespace ostrel {
namespace {

using test::PdfFacts;
using test::readPdf;

class GhostscriptJob : public testing::Test {
protected:
    QString convert(const ConversionOptions& options,
                    const QString& postScript = QStringLiteral(OSTREL_SAMPLE_PS)) {
        const QString pdf = outputFilePath(dir.path(), postScript);
        QFile::remove(pdf);
        result = runGhostscriptJob(options, {postScript, pdf}, lock);
        return pdf;
    }

    PdfFacts facts(const QString& pdf, const std::string& password = {}) {
        std::string error;
        auto read = readPdf(pdf.toStdString(), password, &error);
        EXPECT_TRUE(read.has_value()) << error;
        return read.value_or(PdfFacts{});
    }

    static ConversionOptions secured(EncryptionLevel level) {
        ConversionOptions options;
        options.securityEnabled = true;
        options.ownerPassword = QStringLiteral("owner");
        options.userPassword = QStringLiteral("user");
        options.encryptionLevel = level;
        return options;
    }

    QTemporaryDir dir;
    SpoolLock lock{SpoolFolder(dir.filePath(QStringLiteral("spool")).toStdString())};
    JobResult result;
};

TEST_F(GhostscriptJob, DefaultsGivePlainFlatePdf13WithoutDocumentInformation) {
    const QString pdf = convert(ConversionOptions{});
    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    const auto pdfFacts = facts(pdf);
    EXPECT_EQ(pdfFacts.version, "1.3");
    EXPECT_FALSE(pdfFacts.encrypted);
    for (const char* key : {"/Title", "/Author", "/Subject", "/Keywords", "/Creator"}) {
        EXPECT_EQ(pdfFacts.info.count(key), 0u) << key; // the sample's DSC comments stay out
    }
    ASSERT_EQ(pdfFacts.images.size(), 2u);
    for (const auto& image : pdfFacts.images) {
        EXPECT_EQ(image.filter, "/FlateDecode");
    }
    ASSERT_FALSE(pdfFacts.contentFilters.empty());
    for (const auto& filter : pdfFacts.contentFilters) {
        EXPECT_EQ(filter, "/FlateDecode");
    }
    // Nothing of the job stays in the spool folder: no side file, no switches, no
    // Ghostscript's temporary folder.
    EXPECT_EQ(QDir(QString::fromStdString(lock.folder().path().string()))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList(QStringLiteral("lock")));
}

TEST_F(GhostscriptJob, EachVersionChoiceGivesThatVersion) {
    for (const auto& choice : kPdfVersions) {
        ConversionOptions options;
        options.pdfVersion = choice.meaning;
        const QString pdf = convert(options);
        ASSERT_TRUE(result.ok) << result.reason.toStdString();
        EXPECT_EQ(facts(pdf).version, choice.word);
    }
}

TEST_F(GhostscriptJob, JpegQualityReachesTheImages) {
    ConversionOptions options;
    options.imageCompression = ImageFilter::Jpeg;
    long long sizes[2] = {};
    for (int i = 0; i < 2; ++i) {
        options.jpegQuality = i == 0 ? JpegQuality::Minimum : JpegQuality::Maximum;
        const auto pdfFacts = facts(convert(options));
        ASSERT_TRUE(result.ok) << result.reason.toStdString();
        ASSERT_EQ(pdfFacts.images.size(), 2u);
        for (const auto& image : pdfFacts.images) {
            EXPECT_EQ(image.filter, "/DCTDecode");
            sizes[i] += image.length;
        }
    }
    EXPECT_GT(sizes[1], 2 * sizes[0]);
}

// A page as the office's printer writes transparency: a picture whose left pixel is
// opaque black and whose right pixel is hidden by its alpha channel, and half-transparent
// text.
void writeTransparentPage(const QString& path) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle alpha = QPDFObjectHandle::newStream(&pdf, std::string("\xff\x00", 2));
    QPDFObjectHandle picture = QPDFObjectHandle::newStream(&pdf, std::string(6, '\0'));
    for (auto [stream, space] :
         {std::pair{alpha, "/DeviceGray"}, std::pair{picture, "/DeviceRGB"}}) {
        QPDFObjectHandle dict = stream.getDict();
        dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
        dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
        dict.replaceKey("/Width", QPDFObjectHandle::newInteger(2));
        dict.replaceKey("/Height", QPDFObjectHandle::newInteger(1));
        dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
        dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName(space));
    }
    picture.getDict().replaceKey("/SMask", alpha);
    QPDFObjectHandle resources = QPDFObjectHandle::parse(
        "<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >>"
        " /ExtGState << /Half << /ca 0.5 >> /Quarter << /ca 0.25 >> >> >>");
    // A quarter-opaque black rectangle, as the office exports a watermark: a transparency
    // group drawn under a graphics state with an alpha, in the colour in force.
    QPDFObjectHandle shape = QPDFObjectHandle::newStream(&pdf, "100 200 200 100 re f");
    shape.getDict().replaceKey(
        "/Group", QPDFObjectHandle::parse("<< /S /Transparency /CS /DeviceRGB /K true >>"));
    shape.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    shape.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
    shape.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 612 792]"));
    resources.replaceKey("/XObject",
                         QPDFObjectHandle::newDictionary({{"/Im1", picture}, {"/Fm1", shape}}));
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(
                                     &pdf, "q 200 0 0 100 100 500 cm /Im1 Do Q "
                                           "/Half gs BT /F1 24 Tf 100 400 Td "
                                           "(Masked) Tj ET 0 g q /Quarter gs /Fm1 Do Q"));
    QPDFPageDocumentHelper(pdf).addPage(page, false);
    QPDFWriter writer(pdf, path.toLocal8Bit().constData());
    writer.write();
}

// The grey levels of the first page at 36 dpi (half a pixel per point), rows top down.
std::vector<std::string> greyRows(const QString& pdf) {
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("36"), QStringLiteral("-gray"),
                  QStringLiteral("-singlefile"), pdf});
    render.waitForFinished(120000);
    const QByteArray pgm = render.readAllStandardOutput();
    // "P5\n<width> <height>\n255\n" and the samples.
    const QList<QByteArray> head = pgm.left(64).split('\n');
    if (head.size() < 4 || head[0] != "P5") {
        return {};
    }
    const QList<QByteArray> size = head[1].split(' ');
    const int width = size.value(0).toInt();
    const int height = size.value(1).toInt();
    const qsizetype start = head[0].size() + head[1].size() + head[2].size() + 3;
    std::vector<std::string> rows;
    for (int y = 0; y < height && start + (y + 1) * width <= pgm.size(); ++y) {
        rows.push_back(pgm.mid(start + y * width, width).toStdString());
    }
    return rows;
}

// The text poppler reads, opened with the options given ("-upw", "secret").
QString pdfText(const QString& pdf, const QStringList& opening = {}) {
    QProcess extract;
    extract.start(QStringLiteral("pdftotext"), opening + QStringList{pdf, QStringLiteral("-")});
    extract.waitForFinished(120000);
    return QString::fromUtf8(extract.readAllStandardOutput());
}

// PostScript of `count` pages of 60 lines each, "Page N line L words to fill it".
bool writePages(const QString& path, int count) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write("%!PS\n/Helvetica findfont 10 scalefont setfont\n");
    for (int page = 0; page < count; ++page) {
        for (int line = 0; line < 60; ++line) {
            file.write(QStringLiteral("72 %1 moveto (Page %2 line %3 words to fill it) show\n")
                           .arg(760 - 11 * line)
                           .arg(page)
                           .arg(line)
                           .toLatin1());
        }
        file.write("showpage\n");
    }
    return file.flush();
}

// A long PDF is written in parts on several processors and joined: every page once, in
// order, with the options of a whole one (information, version), no part left in the
// spool folder. Encrypted, it is written whole; so it is when a part fails, or when the
// parts cannot be joined.
TEST_F(GhostscriptJob, ALongPdfComesOutWholeAndInOrder) {
    const QString printed = dir.filePath(QStringLiteral("long.ps"));
    ASSERT_TRUE(writePages(printed, 120));
    const QString source = convert(ConversionOptions{}, printed); // a PDF, as printed
    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    // Ghostscript, but for a range of pages it fails, or writes no PDF.
    const QString partsSpoiled = dir.filePath(QStringLiteral("parts-spoiled-gs"));
    {
        QFile script(partsSpoiled);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        // The switches come through a pipe, which can be read once: they are handed on.
        script.write("#!/bin/sh\nswitches=$(cat \"${1#@}\")\n"
                     "case \"$switches\" in *FirstPage*)\n"
                     "  [ \"$SPOIL\" = fail ] && exit 1\n"
                     "  out=$(echo \"$switches\" | grep -o -- '-sOutputFile=[^ ]*' | cut -d= -f2)\n"
                     "  echo 'no PDF' > \"$out\"; exit 0;;\nesac\n"
                     "printf '%s' \"$switches\" | exec '" +
                     QFile::encodeName(QString::fromStdString(ghostscriptExecutable().string())) +
                     "' @/dev/stdin\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ConversionOptions plain;
    plain.title = QStringLiteral("Long");
    plain.pdfVersion = PdfVersion::V1_5;
    struct Case {
        const char* name;
        ConversionOptions options;
        const char* spoil; // what the parts' Ghostscript does; nothing: it works
    };
    for (const Case& c :
         {Case{"plain", plain, nullptr},
          Case{"secured", secured(EncryptionLevel::Rc4_128), nullptr},
          Case{"a part fails", plain, "fail"}, Case{"parts without PDF", plain, "garbage"}}) {
        SCOPED_TRACE(c.name);
        std::optional<test::ScopedEnvironment> spoiled, spoil;
        if (c.spoil != nullptr) {
            spoiled.emplace("OSTREL_GHOSTSCRIPT", partsSpoiled.toLocal8Bit().constData());
            spoil.emplace("SPOIL", c.spoil);
        }
        const QString pdf = dir.filePath(QStringLiteral("long-out.pdf"));
        QFile::remove(pdf);
        result = runGhostscriptJob(c.options, {source, pdf}, lock);
        ASSERT_TRUE(result.ok) << result.reason.toStdString();
        const PdfFacts pdfFacts = facts(pdf, c.options.securityEnabled ? "owner" : "");
        ASSERT_EQ(pdfFacts.contentFilters.size(), 120u);
        if (!c.options.securityEnabled) {
            EXPECT_EQ(pdfFacts.info.at("/Title"), "Long");
            EXPECT_EQ(pdfFacts.version, "1.5");
            const QString text = pdfText(pdf);
            qsizetype at = 0;
            for (int page = 0; page < 120; ++page) {
                at = text.indexOf(QStringLiteral("Page %1 line 0 ").arg(page), at);
                ASSERT_GE(at, 0) << "page " << page;
            }
        }
        EXPECT_TRUE(QDir(QString::fromStdString(lock.folder().file(".").string()))
                        .entryList({QStringLiteral("part-*")})
                        .isEmpty());
    }
}

TEST(PageRanges, EachProcessorTakesAnEqualShareOfALongPdfsWork) {
    struct Case {
        std::vector<std::uint64_t> weights;
        unsigned processors;
        std::vector<std::pair<int, int>> ranges;
    };
    const auto pages = [](int count, std::uint64_t weight = 1) {
        return std::vector<std::uint64_t>(static_cast<std::size_t>(count), weight);
    };
    auto heavyThenLight = pages(50, 3);
    heavyThenLight.insert(heavyThenLight.end(), 50, 1);
    auto oneHeavyLast = pages(99);
    oneHeavyLast.push_back(1000);
    const Case cases[] = {
        {{}, 4, {}},
        {pages(1), 4, {{1, 1}}},
        {pages(99), 4, {{1, 99}}},
        {pages(100), 1, {{1, 100}}},
        {pages(100), 4, {{1, 50}, {51, 100}}},
        {pages(420), 2, {{1, 210}, {211, 420}}},
        {pages(421), 3, {{1, 141}, {142, 281}, {282, 421}}},
        {heavyThenLight, 2, {{1, 34}, {35, 100}}},
        {oneHeavyLast, 2, {{1, 99}, {100, 100}}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<int, int>> ranges;
        for (const PageRange& range : pageRanges(c.weights, c.processors)) {
            ranges.emplace_back(range.first, range.last);
        }
        EXPECT_EQ(ranges, c.ranges)
            << c.weights.size() << " pages, " << c.processors << " processors";
    }
}

// PDF 1.3 has no transparency. The page must keep its text, the picture's hidden pixel
// must stay unpainted (not black), and the quarter-opaque rectangle must look as on paper:
// light grey, not black. The adjusted copy must not stay behind.
TEST_F(GhostscriptJob, AtPdf13TransparentPicturesKeepTheirOutlineAndThePageItsText) {
    const QString source = dir.filePath(QStringLiteral("tmp.ps")); // a PDF, as printed
    writeTransparentPage(source);
    for (const PdfVersion version : {PdfVersion::V1_3, PdfVersion::V1_4}) {
        SCOPED_TRACE(static_cast<int>(version));
        ConversionOptions options;
        options.pdfVersion = version;
        const QString pdf = convert(options, source);
        ASSERT_TRUE(result.ok) << result.reason.toStdString();
        EXPECT_TRUE(pdfText(pdf).contains(QLatin1String("Masked")));
        const auto rows = greyRows(pdf);
        ASSERT_GT(rows.size(), 121u);
        ASSERT_GT(rows[121].size(), 125u);
        EXPECT_LT(static_cast<unsigned char>(rows[121][75]), 64);   // the opaque pixel
        EXPECT_GT(static_cast<unsigned char>(rows[121][125]), 192); // the hidden one
        ASSERT_GT(rows.size(), 270u);
        EXPECT_NEAR(static_cast<unsigned char>(rows[270][100]), 191, 16); // the rectangle
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(lock.folder().file("adjusted.pdf"))));
}

using test::PermissionCase;

class GhostscriptSecurity : public GhostscriptJob,
                            public testing::WithParamInterface<PermissionCase> {};

TEST_P(GhostscriptSecurity, EncryptionAndExactlyTheTickedPermissions) {
    const auto& c = GetParam();
    auto options = secured(c.level);
    options.allowCopying = c.copying;
    options.allowFormFilling = c.formFilling;
    options.allowChanging = c.changing;
    options.allowPrinting = c.printing;
    options.title = QStringLiteral("Secured");
    const QString pdf = convert(options);
    ASSERT_TRUE(result.ok) << result.reason.toStdString();

    struct Level {
        int revision;
        int keyLength;
        const char* version; // 128-bit RC4 needs PDF 1.4, AES-256 1.7: 1.3 was chosen
    };
    const Level level = std::array{Level{2, 40, "1.3"}, Level{3, 128, "1.4"},
                                   Level{6, 256, "1.7"}}[static_cast<std::size_t>(c.level)];
    const auto asUser = facts(pdf, "user");
    EXPECT_TRUE(asUser.encrypted);
    EXPECT_EQ(asUser.revision, level.revision);
    EXPECT_EQ(asUser.keyLength, level.keyLength);
    EXPECT_EQ(asUser.permissions, c.expected);
    EXPECT_TRUE(asUser.userPasswordMatched);
    EXPECT_FALSE(asUser.ownerPasswordMatched);
    EXPECT_EQ(asUser.version, level.version);
    EXPECT_EQ(asUser.info.at("/Title"), "Secured");

    EXPECT_TRUE(facts(pdf, "owner").ownerPasswordMatched);
    EXPECT_FALSE(readPdf(pdf.toStdString(), "").has_value());
    // Poppler reads the text with either password, and nothing without.
    const QString text = QStringLiteral("Ostrel Word To PDF sample page");
    EXPECT_TRUE(pdfText(pdf, {QStringLiteral("-upw"), QStringLiteral("user")}).contains(text));
    EXPECT_TRUE(pdfText(pdf, {QStringLiteral("-opw"), QStringLiteral("owner")}).contains(text));
    EXPECT_FALSE(pdfText(pdf).contains(text));
    if (level.revision == 6) {
        QProcess show;
        show.start(QStringLiteral("qpdf"),
                   {QStringLiteral("--show-encryption"), QStringLiteral("--password=user"), pdf});
        ASSERT_TRUE(show.waitForFinished(120000));
        const QString shown = QString::fromUtf8(show.readAllStandardOutput());
        EXPECT_TRUE(shown.contains(QStringLiteral("R = 6\n"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QStringLiteral("stream encryption method: AESv3")))
            << shown.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, GhostscriptSecurity,
    testing::Values(PermissionCase{EncryptionLevel::Rc4_40, false, false, false, false, -64},
                    PermissionCase{EncryptionLevel::Rc4_40, true, true, true, true, -4},
                    PermissionCase{EncryptionLevel::Rc4_40, false, false, false, true, -60},
                    PermissionCase{EncryptionLevel::Rc4_40, true, false, true, false, -40},
                    PermissionCase{EncryptionLevel::Rc4_128, false, false, false, false, -3392},
                    PermissionCase{EncryptionLevel::Rc4_128, true, true, true, true, -4},
                    PermissionCase{EncryptionLevel::Rc4_128, false, true, false, true, -1052},
                    PermissionCase{EncryptionLevel::Aes256, false, false, false, false, -3392},
                    PermissionCase{EncryptionLevel::Aes256, true, false, true, false, -2344},
                    PermissionCase{EncryptionLevel::Aes256, false, true, false, true, -1052}),
    test::permissionCaseName);

// Whether this process has a child: running, or ended and not yet waited for
// ("pid (name) state ppid ..." in /proc/PID/stat).
bool hasChild() {
    const QByteArray self = QByteArray::number(::getpid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        const QList<QByteArray> rest = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest[1] == self) {
            return true;
        }
    }
    return false;
}

// Every file under the folder, hidden ones included, relative to it.
QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << QDir(folder).relativeFilePath(it.next());
    }
    files.sort();
    return files;
}

// Stopped while qpdf encrypts (Ghostscript has ended, so keepGoing is asked by the
// encryption), the job leaves nothing. Killed then, it leaves no unencrypted PDF and none
// under the PDF's name: only the temporary file of the encrypted one.
TEST_F(GhostscriptJob, AStopOrAKillWhileEncryptingLeavesNoOpenPdfAndNoneUnderItsName) {
    const ConversionOptions options = secured(EncryptionLevel::Aes256);
    const QString pdf = outputFilePath(dir.path(), QStringLiteral(OSTREL_SAMPLE_PS));
    const GhostscriptJobFiles files{QStringLiteral(OSTREL_SAMPLE_PS), pdf};
    bool encrypting = false;
    result = runGhostscriptJob(options, files, lock, [&] {
        encrypting = !hasChild();
        return !encrypting;
    });
    EXPECT_TRUE(encrypting);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, QStringLiteral("The encryption was stopped"));
    const QStringList spoolFiles{QStringLiteral("spool/lock")};
    EXPECT_EQ(filesUnder(dir.path()), spoolFiles);

    EXPECT_EXIT(runGhostscriptJob(options, files, lock,
                                  [] {
                                      if (!hasChild()) {
                                          ::kill(::getpid(), SIGKILL);
                                      }
                                      return true;
                                  }),
                testing::KilledBySignal(SIGKILL), "");
    const QStringList left = filesUnder(dir.path());
    ASSERT_EQ(left.size(), 2) << left.join(' ').toStdString();
    EXPECT_EQ(left.filter(QStringLiteral("spool/")), spoolFiles);
    EXPECT_TRUE(left[0].startsWith(QStringLiteral(".ostrel-"))) << left[0].toStdString();
    const auto leftPdf = readPdf(dir.filePath(left[0]).toStdString());
    EXPECT_TRUE(!leftPdf || leftPdf->encrypted);
}

TEST_F(GhostscriptJob, EmptyUserPasswordOpensWithoutOne) {
    auto options = secured(EncryptionLevel::Rc4_40);
    options.userPassword.clear();
    const QString pdf = convert(options);
    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    const auto pdfFacts = facts(pdf);
    EXPECT_TRUE(pdfFacts.encrypted);
    EXPECT_FALSE(pdfFacts.ownerPasswordMatched);
    EXPECT_TRUE(facts(pdf, "owner").ownerPasswordMatched);
}

TEST_F(GhostscriptJob, PasswordsWithBlanksQuotesAndBackslashesArriveUnchanged) {
    auto options = secured(EncryptionLevel::Rc4_128);
    options.ownerPassword = QStringLiteral("say \"hi\" #1");
    options.userPassword = QStringLiteral("C:\\tmp\\ r\u00e9sum\u00e9");
    const QString pdf = convert(options);
    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    EXPECT_TRUE(facts(pdf, "say \"hi\" #1").ownerPasswordMatched);
    EXPECT_TRUE(facts(pdf, "C:\\tmp\\ r\u00e9sum\u00e9").userPasswordMatched);
}

TEST_F(GhostscriptJob, DescriptionTextsArriveExactly) {
    ConversionOptions options;
    options.title = QStringLiteral("Plan (draft");
    options.author = QStringLiteral("C:\\Users\\ann");
    options.subject = QStringLiteral("R\u00e9sum\u00e9 \u2013 \u5831\u544a");
    options.keywords = QStringLiteral("first line\nsecond) line\r\nthird");
    const auto info = facts(convert(options)).info;
    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    EXPECT_EQ(info.at("/Title"), "Plan (draft");
    EXPECT_EQ(info.at("/Author"), "C:\\Users\\ann");
    EXPECT_EQ(info.at("/Subject"), options.subject.toStdString());
    EXPECT_EQ(info.at("/Keywords"), "first line\nsecond) line\r\nthird");
    EXPECT_EQ(info.count("/Creator"), 0u);
}

TEST_F(GhostscriptJob, MissingGhostscriptIsReportedAndWritesNothing) {
    const test::ScopedEnvironment missing("OSTREL_GHOSTSCRIPT", "/nonexistent/gs");
    const QString pdf = convert(ConversionOptions{});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.reason.contains(QLatin1String("/nonexistent/gs")))
        << result.reason.toStdString();
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(GhostscriptJob, BrokenPostScriptFailsWithGhostscriptsReason) {
    const QString broken = dir.filePath(QStringLiteral("broken.ps"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("%!PS\n/Helvetica findfont 12 scalefont setfont 72 72 moveto (x) show\n"
               "nosuchoperator\nshowpage\n");
    file.close();
    const QString pdf = convert(ConversionOptions{}, broken);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.reason.startsWith(QLatin1String("Ghostscript failed")))
        << result.reason.toStdString();
    EXPECT_TRUE(result.reason.contains(QLatin1String("undefined"))) << result.reason.toStdString();
    EXPECT_FALSE(result.reason.contains(QLatin1Char('\n')));
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(GhostscriptJob, UnreadablePostScriptFileIsReported) {
    const QString pdf = convert(ConversionOptions{}, dir.filePath(QStringLiteral("missing.ps")));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.reason.contains(QLatin1String("missing.ps")));
    EXPECT_FALSE(QFile::exists(pdf));
}

// Without an owner password (switched off, or left empty) the PDF is still encrypted: the
// random owner password keeps the user password and the permissions binding.
TEST_F(GhostscriptJob, WithoutOwnerPasswordTheUserPasswordAndPermissionsStayBinding) {
    struct Case {
        EncryptionLevel level;
        bool switchedOff; // else left empty
        int permissions;
    };
    for (const Case& c :
         {Case{EncryptionLevel::Rc4_40, true, -60}, Case{EncryptionLevel::Rc4_128, false, -1340},
          Case{EncryptionLevel::Aes256, true, -1340},
          Case{EncryptionLevel::Aes256, false, -1340}}) {
        SCOPED_TRACE(testing::Message()
                     << static_cast<int>(c.level) << (c.switchedOff ? " off" : " empty"));
        auto options = secured(c.level);
        options.ownerPasswordEnabled = !c.switchedOff;
        if (!c.switchedOff) {
            options.ownerPassword.clear();
        }
        options.allowPrinting = true;
        const QString pdf = convert(options);
        ASSERT_TRUE(result.ok) << result.reason.toStdString();
        const auto asUser = facts(pdf, "user");
        EXPECT_TRUE(asUser.encrypted);
        EXPECT_TRUE(asUser.userPasswordMatched);
        EXPECT_FALSE(asUser.ownerPasswordMatched);
        EXPECT_EQ(asUser.permissions, c.permissions);
        EXPECT_FALSE(readPdf(pdf.toStdString(), "").has_value());
        EXPECT_FALSE(readPdf(pdf.toStdString(), "owner").has_value());
    }
}

TEST_F(GhostscriptJob, NoPasswordsAtAllStillRestrictTheActions) {
    auto options = secured(EncryptionLevel::Rc4_128);
    options.ownerPasswordEnabled = false;
    options.userPasswordEnabled = false;
    const QString pdf = convert(options);
    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    const auto anyone = facts(pdf);
    EXPECT_TRUE(anyone.encrypted);
    EXPECT_FALSE(anyone.ownerPasswordMatched);
    EXPECT_EQ(anyone.permissions, -3392);
}

// Ghostscript ends with exit code 0 when it cannot finish the PDF on a full disk; a file
// size limit below the PDF's size (the signal ignored, as a full disk sends none) does
// the same. Neither the previous PDF nor a partial one may be left under the name.
TEST_F(GhostscriptJob, AFullDiskFailsAndLeavesThePreviousPdfAlone) {
    const QString pages = dir.filePath(QStringLiteral("pages.ps"));
    ASSERT_TRUE(writePages(pages, 40));
    const QString limited = dir.filePath(QStringLiteral("limited-gs"));
    {
        QFile script(limited);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\ntrap '' XFSZ\nulimit -f 20 || exit 99\nexec '" +
                     QFile::encodeName(QString::fromStdString(ghostscriptExecutable().string())) +
                     "' \"$@\"\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString pdf = outputFilePath(dir.path(), pages);
    {
        QFile previous(pdf);
        ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
        previous.write("the previous PDF");
    }
    const test::ScopedEnvironment full("OSTREL_GHOSTSCRIPT", limited.toLocal8Bit().constData());
    result = runGhostscriptJob(ConversionOptions{}, {pages, pdf, ExistingPdf::Replace}, lock);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.reason.contains(QLatin1String("ioerror"))) << result.reason.toStdString();
    QFile previous(pdf);
    ASSERT_TRUE(previous.open(QIODevice::ReadOnly));
    EXPECT_EQ(previous.readAll(), "the previous PDF");
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral(".ostrel-*")}, QDir::Hidden).isEmpty());
}

// Whatever stands at the PDF's name is replaced (when allowed) or kept, never followed.
TEST_F(GhostscriptJob, ALinkAtThePdfNameIsNeverFollowed) {
    const QString target = dir.filePath(QStringLiteral("target"));
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious");
    }
    const QString pdf = dir.filePath(QStringLiteral("linked.pdf"));
    for (const ExistingPdf existing : {ExistingPdf::Keep, ExistingPdf::Replace}) {
        QFile::remove(pdf);
        ASSERT_TRUE(QFile::link(target, pdf));
        result = runGhostscriptJob(ConversionOptions{},
                                   {QStringLiteral(OSTREL_SAMPLE_PS), pdf, existing}, lock);
        EXPECT_EQ(result.ok, existing == ExistingPdf::Replace) << result.reason.toStdString();
        EXPECT_EQ(QFileInfo(pdf).isSymLink(), existing == ExistingPdf::Keep);
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "precious");
    }
    EXPECT_GT(facts(pdf).images.size(), 0u);
}

TEST(GhostscriptExecutable, OverrideThenBuildPath) {
    {
        test::ScopedEnvironment gs("OSTREL_GHOSTSCRIPT", "/opt/gs/bin/gs");
        EXPECT_EQ(ghostscriptExecutable(), "/opt/gs/bin/gs");
    }
    test::ScopedEnvironment gs("OSTREL_GHOSTSCRIPT", nullptr);
    const auto found = ghostscriptExecutable();
    EXPECT_TRUE(found == "gs" || std::filesystem::exists(found)) << found;
}

} // namespace
} // namespace ostrel
