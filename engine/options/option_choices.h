// The choices of the PDF options, one table each: the text the option list shows, the
// word the command line takes, and the choice the options record keeps. The windows and
// the command line turn their texts into the record with these tables, and nothing else.
#pragma once

#include "conversion_options.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <utility>

namespace ostrel {

template <typename Meaning> struct Choice {
    const char* label;
    const char* word;
    Meaning meaning;
};

inline constexpr Choice<PageCompression> kDocumentCompressions[] = {
    {"Flate", "Flate", PageCompression::Flate}, {"LZW", "LZW", PageCompression::Lzw}};

inline constexpr Choice<ImageFilter> kImageCompressions[] = {
    {"Flate", "Flate", ImageFilter::Flate},
    {"JPEG", "JPEG", ImageFilter::Jpeg},
    {"Automatic", "Automatic", ImageFilter::Automatic}};

inline constexpr Choice<JpegQuality> kJpegQualities[] = {
    {"Minimum", "Minimum", JpegQuality::Minimum},
    {"Low", "Low", JpegQuality::Low},
    {"Medium", "Medium", JpegQuality::Medium},
    {"Maximum", "Maximum", JpegQuality::Maximum}};

inline constexpr Choice<PdfVersion> kPdfVersions[] = {
    {"V1.3(Acrobat 4.xx)", "1.3", PdfVersion::V1_3},
    {"V1.4", "1.4", PdfVersion::V1_4},
    {"V1.5", "1.5", PdfVersion::V1_5}};

inline constexpr Choice<EncryptionLevel> kEncryptionLevels[] = {
    {"Low(40-bit RC4)", "low", EncryptionLevel::Rc4_40},
    {"High(128-bit RC4)", "high", EncryptionLevel::Rc4_128},
    {"High(256-bit AES)", "aes256", EncryptionLevel::Aes256}};

// The choice labelled exactly so (case included); none for other texts.
template <typename Meaning, std::size_t N>
std::optional<Meaning> choiceLabelled(const Choice<Meaning> (&choices)[N], const QString& label) {
    const auto* found = std::ranges::find_if(
        choices, [&](const auto& choice) { return label == QLatin1String(choice.label); });
    return found == std::end(choices) ? std::nullopt : std::optional<Meaning>(found->meaning);
}

// The version of a list text: the listed one; for another text (typed into the add-in's
// editable list) version 1.N when the first digit N of 3, 4 or 5 stands at index 3; else
// none.
inline std::optional<PdfVersion> pdfVersionOfText(const QString& text) {
    if (const auto listed = choiceLabelled(kPdfVersions, text)) {
        return listed;
    }
    for (const auto& [digit, version] :
         {std::pair{u'3', PdfVersion::V1_3}, std::pair{u'4', PdfVersion::V1_4},
          std::pair{u'5', PdfVersion::V1_5}}) {
        if (text.indexOf(QChar(digit)) == 3) {
            return version;
        }
    }
    return std::nullopt;
}

template <typename Meaning, std::size_t N>
QStringList labelsOf(const Choice<Meaning> (&choices)[N]) {
    QStringList labels;
    for (const auto& choice : choices) {
        labels << QString::fromLatin1(choice.label);
    }
    return labels;
}

} // namespace ostrel
