#include "ghostscript_command.h"

#include "postscript_string.h"

#include <QRandomGenerator>

#include <array>

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

QByteArray compressionPart(const QString& documentCompression) {
    if (documentCompression == QLatin1String("Flate")) {
        return "/CompressPages true\n/UseFlateCompression true\n";
    }
    if (documentCompression == QLatin1String("LZW")) {
        return "/CompressPages true\n/UseFlateCompression false\n";
    }
    return {};
}

QByteArray jpegDictionary(const QString& jpegQuality) {
    const char* factor = nullptr;
    const char* samples = "[2 1 1 2]";
    if (jpegQuality == QLatin1String("Minimum")) {
        factor = "1.5";
    } else if (jpegQuality == QLatin1String("Low")) {
        factor = "0.8";
    } else if (jpegQuality == QLatin1String("Medium")) {
        factor = "0.55";
    } else if (jpegQuality == QLatin1String("Maximum")) {
        factor = "0.1";
        samples = "[1 1 1 1]";
    } else {
        return {};
    }
    return QByteArray("<</QFactor ") + factor + " /HSamples " + samples + " /VSamples " + samples +
           " /Blend 1 /ColorTransform 1 >>";
}

QByteArray imagePart(const QString& imageCompression, const QByteArray& jpeg) {
    const QByteArray automaticOff = "/AutoFilterColorImages false\n/AutoFilterGrayImages false\n"
                                    "/EncodeColorImages true\n/EncodeGrayImages true\n";
    const QByteArray dctFilters = "/ColorImageFilter /DCTEncode\n/GrayImageFilter /DCTEncode";
    const QByteArray plainDicts = "\n/ColorImageDict \n" + jpeg + "\n/GrayImageDict \n" + jpeg;
    if (imageCompression == QLatin1String("JPEG")) {
        return automaticOff + dctFilters + plainDicts;
    }
    if (imageCompression == QLatin1String("Flate")) {
        return automaticOff +
               "/EncodeMonoImages true\n/ColorImageFilter /FlateEncode\n"
               "/GrayImageFilter /FlateEncode\n/MonoImageFilter /FlateEncode" +
               plainDicts;
    }
    if (imageCompression == QLatin1String("Automatic")) {
        return "/AutoFilterColorImages true\n/AutoFilterGrayImages true\n"
               "/EncodeColorImages true\n/EncodeGrayImages true\n" +
               dctFilters + "\n/ColorACSImageDict \n" + jpeg + "\n/GrayACSImageDict \n" + jpeg;
    }
    return {};
}

bool is128Bit(const ConversionOptions& options) {
    return options.encryptionLevel == 1;
}
bool is40Bit(const ConversionOptions& options) {
    return options.encryptionLevel == 0;
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString unknownOwnerPassword() {
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), static_cast<qsizetype>(words.size()));
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(words.data()), sizeof words).toHex());
}

} // namespace

QByteArray sideFileText(const ConversionOptions& options) {
    return informationPart(options) + "\n\n\n\n<<" + "\n" +
           compressionPart(options.documentCompression) +
           imagePart(options.imageCompression, jpegDictionary(options.jpegQuality)) +
           "\n>> setdistillerparams";
}

QString compatibilityLevel(const QString& pdfVersion) {
    QString level;
    for (const QChar digit : {QLatin1Char('3'), QLatin1Char('4'), QLatin1Char('5')}) {
        if (pdfVersion.indexOf(digit) == 3) {
            level = QStringLiteral("1.") + digit;
        }
    }
    return level;
}

bool writesSecurity(const ConversionOptions& options) {
    return options.securityEnabled;
}

bool hasOwnerPassword(const ConversionOptions& options) {
    return options.ownerPasswordEnabled && !options.ownerPassword.isEmpty();
}

QString effectiveCompatibilityLevel(const ConversionOptions& options) {
    const QString level = compatibilityLevel(options.pdfVersion);
    if (writesSecurity(options) && is128Bit(options) &&
        (level.isEmpty() || level == QLatin1String("1.3"))) {
        return QStringLiteral("1.4");
    }
    return level;
}

std::int32_t permissionValue(const ConversionOptions& options) {
    struct Grant {
        bool ticked;
        std::int32_t bits40;
        std::int32_t bits128;
    };
    const Grant grants[] = {
        {options.allowPrinting, 1 << 2, (1 << 2) | (1 << 11)},
        {options.allowChanging, 1 << 3, (1 << 3) | (1 << 10)},
        {options.allowCopying, 1 << 4, 1 << 4},
        {options.allowFormFilling, 1 << 5, (1 << 5) | (1 << 8)},
    };
    // Every bit set except the reserved bits 1-2 and the grantable ones; 128-bit keeps
    // accessibility extraction (bit 10) allowed.
    std::int32_t value = is128Bit(options) ? ~0xD3F : ~0x3F;
    for (const auto& grant : grants) {
        if (grant.ticked) {
            value |= is128Bit(options) ? grant.bits128 : grant.bits40;
        }
    }
    return value;
}

QString securitySwitchesText(const ConversionOptions& options) {
    if (!options.securityEnabled ||
        (options.ownerPasswordEnabled && options.ownerPassword.isEmpty())) {
        return {};
    }
    QString text;
    if (options.ownerPasswordEnabled) {
        text +=
            QStringLiteral("-sOwnerPassword=") + quoted(options.ownerPassword) + QLatin1Char(' ');
    }
    if (options.userPasswordEnabled) {
        text += QStringLiteral("-sUserPassword=") + quoted(options.userPassword) + QLatin1Char(' ');
    }
    const QString permissions = QStringLiteral("-dPermissions=") +
                                QString::number(permissionValue(options)) + QStringLiteral("  ");
    if (is40Bit(options)) {
        text += QStringLiteral(" -dEncryptionR=2 -dKeyLength=40 ") + permissions;
    } else if (is128Bit(options)) {
        text += QStringLiteral("-dEncryptionR=3 -dKeyLength=128 ") + permissions;
    }
    return text;
}

QString commandLineText(const ConversionOptions& options, const QString& outputFile,
                        const CommandLinePaths& paths) {
    return paths.ghostscript + QStringLiteral("  ") +
           QStringLiteral("-dSAFER -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -dCompatibilityLevel=") +
           effectiveCompatibilityLevel(options) + QLatin1Char(' ') + securitySwitchesText(options) +
           QStringLiteral("-sOutputFile=") + quoted(outputFile) + QLatin1Char(' ') +
           QStringLiteral(" -c .setpdfwrite -f ") + QLatin1Char(' ') + quoted(paths.spoolFile) +
           QLatin1Char(' ') + quoted(paths.sideFile);
}

QStringList ghostscriptArguments(const ConversionOptions& options, const QString& outputFile,
                                 const QString& postScriptFile, const QString& sideFile) {
    QStringList arguments{QStringLiteral("-dSAFER"), QStringLiteral("-dNOPAUSE"),
                          QStringLiteral("-dBATCH"), QStringLiteral("-sDEVICE=pdfwrite")};
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
    if (writesSecurity(options)) {
        // Ghostscript encrypts nothing without an owner password. Without one of the
        // user's (switched off, or left empty), a random one nobody knows keeps the user
        // password and the permissions binding for everyone.
        arguments << QStringLiteral("-sOwnerPassword=") + (hasOwnerPassword(options)
                                                               ? options.ownerPassword
                                                               : unknownOwnerPassword());
        if (options.userPasswordEnabled) {
            arguments << QStringLiteral("-sUserPassword=") + options.userPassword;
        }
        if (is40Bit(options) || is128Bit(options)) {
            arguments << (is40Bit(options) ? QStringLiteral("-dEncryptionR=2")
                                           : QStringLiteral("-dEncryptionR=3"))
                      << (is40Bit(options) ? QStringLiteral("-dKeyLength=40")
                                           : QStringLiteral("-dKeyLength=128"))
                      << QStringLiteral("-dPermissions=") +
                             QString::number(permissionValue(options));
        }
    }
    QString escapedOutput = outputFile;
    escapedOutput.replace(QLatin1Char('%'), QStringLiteral("%%"));
    arguments << QStringLiteral("-sOutputFile=") + escapedOutput;
    // Ghostscript 10.0's own PDF reader writes the Unicode of ligatures ("fi", "ff") with
    // swapped bytes; its PostScript-based reader gets them right.
    arguments << QStringLiteral("-dNEWPDF=false");
    // JPEG images of the spool file would otherwise be copied as they are, untouched by
    // the image filter and JPEG quality.
    arguments << QStringLiteral("-dPassThroughJPEGImages=false");
    // The side file twice: its distiller parameters act only on pages that follow them,
    // and its document information must follow the spool file, which as a PDF brings
    // its own.
    arguments << QStringLiteral("-f") << sideFile << postScriptFile << sideFile;
    return arguments;
}

} // namespace ostrel
