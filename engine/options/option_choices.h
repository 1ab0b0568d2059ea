// The choices of the PDF options, one table each: the text the option list shows and the
// options record keeps, the word the command line takes, and what the choice means.
#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>

namespace ostrel {

template <typename Meaning> struct Choice {
    const char* label;
    const char* word;
    Meaning meaning;
};

// Whether page content is compressed with Flate (it is compressed either way).
inline constexpr Choice<bool> kDocumentCompressions[] = {{"Flate", "Flate", true},
                                                         {"LZW", "LZW", false}};

enum class ImageFilter { Flate, Jpeg, Automatic };
inline constexpr Choice<ImageFilter> kImageCompressions[] = {
    {"Flate", "Flate", ImageFilter::Flate},
    {"JPEG", "JPEG", ImageFilter::Jpeg},
    {"Automatic", "Automatic", ImageFilter::Automatic}};

struct JpegQuality {
    const char* qFactor;
    const char* samples; // chroma sampling
};
inline constexpr Choice<JpegQuality> kJpegQualities[] = {
    {"Minimum", "Minimum", {"1.5", "[2 1 1 2]"}},
    {"Low", "Low", {"0.8", "[2 1 1 2]"}},
    {"Medium", "Medium", {"0.55", "[2 1 1 2]"}},
    {"Maximum", "Maximum", {"0.1", "[1 1 1 1]"}}};

// The compatibility level.
inline constexpr Choice<const char*> kPdfVersions[] = {
    {"V1.3(Acrobat 4.xx)", "1.3", "1.3"}, {"V1.4", "1.4", "1.4"}, {"V1.5", "1.5", "1.5"}};

// The options record keeps the level, not the label. Ghostscript writes the RC4 levels
// itself; it cannot write AES, so for AES-256 it writes the PDF unencrypted and qpdf
// encrypts it (pdf_encryption.h).
struct Encryption {
    int level;
    int revision;  // the PDF's R
    int algorithm; // the PDF's V
    int keyBits;
    const char* leastVersion; // the PDF version it came with; null: any version has it
    int passwordBytes;        // the longest password it takes (UTF-8 bytes)
    bool byGhostscript;
};
inline constexpr Choice<Encryption> kEncryptionLevels[] = {
    {"Low(40-bit RC4)", "low", {0, 2, 1, 40, nullptr, 32, true}},
    {"High(128-bit RC4)", "high", {1, 3, 2, 128, "1.4", 32, true}},
    {"High(256-bit AES)", "aes256", {2, 6, 5, 256, "1.7", 127, false}}};

// The meaning of the choice labelled exactly so (case included); none for other texts.
template <typename Meaning, std::size_t N>
const Meaning* meaningOf(const Choice<Meaning> (&choices)[N], const QString& label) {
    const auto* found = std::ranges::find_if(
        choices, [&](const auto& choice) { return label == QLatin1String(choice.label); });
    return found == std::end(choices) ? nullptr : &found->meaning;
}

inline const Encryption* encryptionOf(int level) {
    const auto* found = std::ranges::find_if(
        kEncryptionLevels, [level](const auto& choice) { return choice.meaning.level == level; });
    return found == std::end(kEncryptionLevels) ? nullptr : &found->meaning;
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
