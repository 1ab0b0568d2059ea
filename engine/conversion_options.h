// The one record through which the user's PDF choices reach the conversion engine.
// The list choices are kept as the exact texts the option lists show; the engine
// recognises them by exact, case-sensitive comparison. Values are taken unchanged.
#pragma once

#include <QString>

namespace ostrel {

struct ConversionOptions {
    QString documentCompression = QStringLiteral("Flate"); // "Flate", "LZW"
    QString imageCompression = QStringLiteral("Flate");    // "Flate", "JPEG", "Automatic"
    QString jpegQuality = QStringLiteral("Minimum");       // "Minimum", "Low", "Medium", "Maximum"
    QString pdfVersion =
        QStringLiteral("V1.3(Acrobat 4.xx)"); // "V1.3(Acrobat 4.xx)", "V1.4", "V1.5"

    bool securityEnabled = false;
    bool userPasswordEnabled = true;
    QString userPassword;
    bool ownerPasswordEnabled = true;
    QString ownerPassword;
    bool allowCopying = false;
    bool allowFormFilling = false;
    bool allowChanging = false;
    bool allowPrinting = false;
    int encryptionLevel = 0; // 0 = "Low(40-bit RC4)", 1 = "High(128-bit RC4)"

    QString title;
    QString subject;
    QString author;
    QString keywords; // line breaks included

    QString destinationFolder; // an existing folder, with or without a trailing separator

    bool operator==(const ConversionOptions&) const = default;
};

} // namespace ostrel
