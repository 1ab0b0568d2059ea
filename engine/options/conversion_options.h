// The one record through which the user's PDF choices reach the conversion engine.
// The windows and the command line turn the texts of their lists into it once, with the
// choice tables (option_choices.h); the engine works on the choices. Texts are taken
// unchanged.
#pragma once

#include <QString>
#include <optional>

namespace ostrel {

enum class PageCompression { Flate, Lzw }; // page content is compressed either way
enum class ImageFilter { Flate, Jpeg, Automatic };
enum class JpegQuality { Minimum, Low, Medium, Maximum };
enum class PdfVersion { V1_3, V1_4, V1_5 };
enum class EncryptionLevel { Rc4_40, Rc4_128, Aes256 };

struct ConversionOptions {
    // None: a text no list offers; what it feeds is left to Ghostscript's defaults.
    std::optional<PageCompression> documentCompression = PageCompression::Flate;
    std::optional<ImageFilter> imageCompression = ImageFilter::Flate;
    std::optional<JpegQuality> jpegQuality = JpegQuality::Minimum;
    std::optional<PdfVersion> pdfVersion = PdfVersion::V1_3;

    bool securityEnabled = false;
    bool userPasswordEnabled = true;
    QString userPassword;
    bool ownerPasswordEnabled = true;
    QString ownerPassword;
    bool allowCopying = false;
    bool allowFormFilling = false;
    bool allowChanging = false;
    bool allowPrinting = false;
    // None: no level chosen; Ghostscript's own encryption then.
    std::optional<EncryptionLevel> encryptionLevel = EncryptionLevel::Rc4_40;

    QString title;
    QString subject;
    QString author;
    QString keywords; // line breaks included

    QString destinationFolder; // an existing folder, with or without a trailing separator

    bool operator==(const ConversionOptions&) const = default;
};

} // namespace ostrel
