#include "ghostscript_command.h"

#include "encryption.h"
#include "postscript_string.h"
#include "security_rules.h"

namespace ostrel {
namespace {

QByteArray informationPart(const ConversionOptions& options) {
    if (options.title.isEmpty() && options.author.isEmpty() && options.subject.isEmpty() &&
        options.keywords.isEmpty()) {
        return {};
    }
    QByteArray part("[");
    const auto entry = [&part](const char* key, const QString& text, const char* tail) {
        if (!text.isEmpty()) {
            part += " /";
            part += key;
            part += ' ';
            part += postScriptString(text);
            part += tail;
        }
    };
    entry("Title", options.title, " \n");
    entry("Author", options.author, "\n");
    entry("Subject", options.subject, "\n");
    entry("Keywords", options.keywords, "\n");
    part += "/DOCINFO pdfmark";
    return part;
}

QByteArray compressionPart(std::optional<PageCompression> compression) {
    if (!compression) {
        return {};
    }
    return QByteArray("/CompressPages true\n/UseFlateCompression ") +
           (*compression == PageCompression::Flate ? "true\n" : "false\n");
}

QByteArray jpegDictionary(std::optional<JpegQuality> quality) {
    if (!quality) {
        return {};
    }
    struct Setting {
        const char* qFactor;
        const char* samples; // chroma sampling
    };
    static constexpr Setting kSettings[] = {{"1.5", "[2 1 1 2]"},  // Minimum
                                            {"0.8", "[2 1 1 2]"},  // Low
                                            {"0.55", "[2 1 1 2]"}, // Medium
                                            {"0.1", "[1 1 1 1]"}}; // Maximum
    const Setting& setting = kSettings[static_cast<int>(*quality)];
    return QByteArray("<</QFactor ") + setting.qFactor + " /HSamples " + setting.samples +
           " /VSamples " + setting.samples + " /Blend 1 /ColorTransform 1 >>";
}

QByteArray imagePart(std::optional<ImageFilter> filter, const QByteArray& jpeg) {
    if (!filter) {
        return {};
    }
    const QByteArray automaticOff = "/AutoFilterColorImages false\n/AutoFilterGrayImages false\n"
                                    "/EncodeColorImages true\n/EncodeGrayImages true\n";
    const QByteArray dctFilters = "/ColorImageFilter /DCTEncode\n/GrayImageFilter /DCTEncode";
    const QByteArray plainDicts = "\n/ColorImageDict \n" + jpeg + "\n/GrayImageDict \n" + jpeg;
    switch (*filter) {
    case ImageFilter::Jpeg:
        return automaticOff + dctFilters + plainDicts;
    case ImageFilter::Flate:
        return automaticOff +
               "/EncodeMonoImages true\n/ColorImageFilter /FlateEncode\n"
               "/GrayImageFilter /FlateEncode\n/MonoImageFilter /FlateEncode" +
               plainDicts;
    case ImageFilter::Automatic:
        return "/AutoFilterColorImages true\n/AutoFilterGrayImages true\n"
               "/EncodeColorImages true\n/EncodeGrayImages true\n" +
               dctFilters + "\n/ColorACSImageDict \n" + jpeg + "\n/GrayACSImageDict \n" + jpeg;
    }
    return {};
}

QString compatibilityLevel(std::optional<PdfVersion> version) {
    if (!version) {
        return {};
    }
    static constexpr const char* kLevels[] = {"1.3", "1.4", "1.5"};
    return QString::fromLatin1(kLevels[static_cast<int>(*version)]);
}

} // namespace

QByteArray sideFileText(const ConversionOptions& options) {
    return informationPart(options) + "\n\n\n\n<<" + "\n" +
           compressionPart(options.documentCompression) +
           imagePart(options.imageCompression, jpegDictionary(options.jpegQuality)) +
           "\n>> setdistillerparams";
}

bool encryptsAfterGhostscript(const ConversionOptions& options) {
    const Encryption* encryption = encryptionOf(options.encryptionLevel);
    return writesSecurity(options) && encryption && !encryption->byGhostscript;
}

QString effectiveCompatibilityLevel(const ConversionOptions& options) {
    const QString level = compatibilityLevel(options.pdfVersion);
    const Encryption* encryption = encryptionOf(options.encryptionLevel);
    if (writesSecurity(options) && encryption && encryption->leastVersion) {
        const QString least = QString::fromLatin1(encryption->leastVersion);
        // Versions are "1.N": their texts compare as their numbers.
        if (level.isEmpty() || level < least) {
            return least;
        }
    }
    return level;
}

QStringList ghostscriptArguments(const ConversionOptions& options, const QString& outputFile,
                                 const QString& postScriptFile, const QString& sideFile,
                                 const std::optional<PageRange>& pages, bool legacyPdfReader,
                                 const QString& outlineFile) {
    QStringList arguments{QStringLiteral("-dSAFER"), QStringLiteral("-dNOPAUSE"),
                          QStringLiteral("-dBATCH"), QStringLiteral("-sDEVICE=pdfwrite")};
    // SAFER with exactly these files allowed besides Ghostscript's own resources and its
    // temporary folder (the job gives it a private one).
    arguments << QStringLiteral("--permit-file-read=%1:%2").arg(postScriptFile, sideFile) +
                     (outlineFile.isEmpty() ? QString() : QStringLiteral(":") + outlineFile)
              << QStringLiteral("--permit-file-write=") + outputFile;
    if (const QString level = effectiveCompatibilityLevel(options); !level.isEmpty()) {
        arguments << QStringLiteral("-dCompatibilityLevel=") + level;
        // Without transparency a page that has some would become one picture, its text
        // lost; drawn opaque, it keeps its text. The job has made the printer's PDF
        // opaque beforehand; this covers what it left.
        if (level == QLatin1String("1.3")) {
            arguments << QStringLiteral("-dNOTRANSPARENCY");
        }
    }
    // The spool file's DSC comments (%%Title, %%For) would otherwise fill the document
    // information.
    arguments << QStringLiteral("-dParseDSCComments=false");
    // Encrypted afterwards, the PDF is written open and Ghostscript sees no password.
    if (writesSecurity(options) && !encryptsAfterGhostscript(options)) {
        // Ghostscript encrypts nothing without an owner password.
        arguments << QStringLiteral("-sOwnerPassword=") + effectiveOwnerPassword(options);
        if (options.userPasswordEnabled) {
            arguments << QStringLiteral("-sUserPassword=") + options.userPassword;
        }
        if (const Encryption* encryption = encryptionOf(options.encryptionLevel)) {
            arguments << QStringLiteral("-dEncryptionR=%1").arg(encryption->revision)
                      << QStringLiteral("-dKeyLength=%1").arg(encryption->keyBits)
                      << QStringLiteral("-dPermissions=%1").arg(permissionValue(options));
        }
    }
    if (pages) {
        arguments << QStringLiteral("-dFirstPage=%1").arg(pages->first)
                  << QStringLiteral("-dLastPage=%1").arg(pages->last);
    }
    QString escapedOutput = outputFile;
    escapedOutput.replace(QLatin1Char('%'), QStringLiteral("%%"));
    arguments << QStringLiteral("-sOutputFile=") + escapedOutput;
    if (legacyPdfReader) {
        arguments << QStringLiteral("-dNEWPDF=false");
    }
    // JPEG images of the spool file would otherwise be copied as they are, untouched by
    // the image filter and JPEG quality.
    arguments << QStringLiteral("-dPassThroughJPEGImages=false");
    // The side file twice: its distiller parameters act only on pages that follow them,
    // and its document information must follow the spool file, which as a PDF brings
    // its own.
    arguments << QStringLiteral("-f") << sideFile << postScriptFile << sideFile;
    if (!outlineFile.isEmpty()) {
        arguments << outlineFile;
    }
    return arguments;
}

} // namespace ostrel
