// The one record through which the user's PDF choices reach the conversion engine.
// The list choices are kept as the exact texts the option lists show; the engine
// recognises them by exact, case-sensitive comparison. Values are taken unchanged.
#pragma once

#include <QString>

namespace ostrel {

struct ConversionOptions {
    // Labels of the tables in option_choices.h.
    QString documentCompression = QStringLiteral("Flate");
    QString imageCompression = QStringLiteral("Flate");
    QString jpegQuality = QStringLiteral("Minimum");
    QString pdfVersion = QStringLiteral("V1.3(Acrobat 4.xx)");

    bool securityEnabled = false;
    bool userPasswordEnabled = true;
    QString userPassword;
    bool ownerPasswordEnabled = true;
    QString ownerPassword;
    bool allowCopying = false;
    bool allowFormFilling = false;
    bool allowChanging = false;
    bool allowPrinting = false;
    int encryptionLevel = 0; // a level of kEncryptionLevels: 0 = 40-bit, 1 = 128-bit RC4,
                             // 2 = 256-bit AES

    QString title;
    QString subject;
    QString author;
    QString keywords; // line breaks included

    QString destinationFolder; // an existing folder, with or without a trailing separator

    bool operator==(const ConversionOptions&) const = default;
};

} // namespace ostrel
