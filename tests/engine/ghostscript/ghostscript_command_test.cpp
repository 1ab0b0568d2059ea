// The side file and the Ghostscript arguments, and the values they are built from.
#include "ghostscript_command.h"

#include "option_choices.h"
#include "permission_case.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

const QByteArray kFlateMinimumTail =
    "\n\n\n\n<<\n"
    "/CompressPages true\n"
    "/UseFlateCompression true\n"
    "/AutoFilterColorImages false\n"
    "/AutoFilterGrayImages false\n"
    "/EncodeColorImages true\n"
    "/EncodeGrayImages true\n"
    "/EncodeMonoImages true\n"
    "/ColorImageFilter /FlateEncode\n"
    "/GrayImageFilter /FlateEncode\n"
    "/MonoImageFilter /FlateEncode\n"
    "/ColorImageDict \n"
    "<</QFactor 1.5 /HSamples [2 1 1 2] /VSamples [2 1 1 2] /Blend 1 /ColorTransform 1 >>\n"
    "/GrayImageDict \n"
    "<</QFactor 1.5 /HSamples [2 1 1 2] /VSamples [2 1 1 2] /Blend 1 /ColorTransform 1 >>\n"
    ">> setdistillerparams";

TEST(SideFile, DefaultsGiveTheTwentyLinesWithoutFinalLineFeed) {
    EXPECT_EQ(sideFileText(ConversionOptions{}), kFlateMinimumTail);
}

TEST(SideFile, InformationEntriesInFixedOrderOnlyForNonEmptyTexts) {
    ConversionOptions options;
    options.keywords = QStringLiteral("k");
    EXPECT_EQ(sideFileText(options), "[ /Keywords (k)\n/DOCINFO pdfmark" + kFlateMinimumTail);

    options.title = QStringLiteral("T");
    options.author = QStringLiteral("A");
    options.subject = QStringLiteral("S");
    EXPECT_EQ(sideFileText(options),
              "[ /Title (T) \n /Author (A)\n /Subject (S)\n /Keywords (k)\n/DOCINFO pdfmark" +
                  kFlateMinimumTail);
}

TEST(SideFile, DescriptionTextsAreEscapedOrWrittenAsUnicode) {
    ConversionOptions options;
    options.title = QStringLiteral("Plan (draft");
    options.author = QStringLiteral("C:\\Users\\ann");
    options.subject = QStringLiteral("R\u00e9sum\u00e9 \u2013 \u5831\u544a");
    options.keywords = QStringLiteral("one\ntwo\r\nthree");
    EXPECT_EQ(sideFileText(options),
              "[ /Title (Plan \\(draft) \n"
              " /Author (C:\\\\Users\\\\ann)\n"
              " /Subject <FEFF005200E900730075006D00E90020201300205831544A>\n"
              " /Keywords (one\ntwo\\r\nthree)\n"
              "/DOCINFO pdfmark" +
                  kFlateMinimumTail);
}

TEST(SideFile, ImageChoicesCarryTheirFilterBlockAndTheJpegDictionaries) {
    ConversionOptions options;
    options.documentCompression = PageCompression::Lzw;
    options.imageCompression = ImageFilter::Jpeg;
    options.jpegQuality = JpegQuality::Maximum;
    const QByteArray maximum =
        "<</QFactor 0.1 /HSamples [1 1 1 1] /VSamples [1 1 1 1] /Blend 1 /ColorTransform 1 >>";
    EXPECT_EQ(sideFileText(options), "\n\n\n\n<<\n/CompressPages true\n/UseFlateCompression false\n"
                                     "/AutoFilterColorImages false\n/AutoFilterGrayImages false\n"
                                     "/EncodeColorImages true\n/EncodeGrayImages true\n"
                                     "/ColorImageFilter /DCTEncode\n/GrayImageFilter /DCTEncode\n"
                                     "/ColorImageDict \n" +
                                         maximum + "\n/GrayImageDict \n" + maximum +
                                         "\n>> setdistillerparams");

    options.imageCompression = ImageFilter::Automatic;
    options.jpegQuality = JpegQuality::Medium;
    const QByteArray medium =
        "<</QFactor 0.55 /HSamples [2 1 1 2] /VSamples [2 1 1 2] /Blend 1 /ColorTransform 1 >>";
    EXPECT_TRUE(sideFileText(options).endsWith(
        "/AutoFilterColorImages true\n/AutoFilterGrayImages true\n/EncodeColorImages true\n"
        "/EncodeGrayImages true\n/ColorImageFilter /DCTEncode\n/GrayImageFilter /DCTEncode\n"
        "/ColorACSImageDict \n" +
        medium + "\n/GrayACSImageDict \n" + medium + "\n>> setdistillerparams"));

    options.jpegQuality = JpegQuality::Low;
    EXPECT_TRUE(sideFileText(options).contains("<</QFactor 0.8 /HSamples [2 1 1 2]"));
}

// A text no list offers is no choice.
TEST(ChoiceTexts, OnlyExactLabelsAreChoices) {
    EXPECT_EQ(choiceLabelled(kDocumentCompressions, "LZW"), PageCompression::Lzw);
    EXPECT_EQ(choiceLabelled(kDocumentCompressions, "flate"), std::nullopt); // case matters
    EXPECT_EQ(choiceLabelled(kImageCompressions, "None"), std::nullopt);
    EXPECT_EQ(choiceLabelled(kJpegQualities, "Best"), std::nullopt);
    EXPECT_EQ(choiceLabelled(kEncryptionLevels, "High(256-bit AES)"), EncryptionLevel::Aes256);
}

TEST(SideFile, UnknownChoicesLeaveTheirPartsEmpty) {
    ConversionOptions options;
    options.documentCompression = std::nullopt;
    options.imageCompression = std::nullopt;
    EXPECT_EQ(sideFileText(options), "\n\n\n\n<<\n\n>> setdistillerparams");

    options.imageCompression = ImageFilter::Flate;
    options.jpegQuality = std::nullopt;
    EXPECT_TRUE(sideFileText(options).endsWith("/MonoImageFilter /FlateEncode\n"
                                               "/ColorImageDict \n\n/GrayImageDict \n\n"
                                               ">> setdistillerparams"));
}

TEST(CompatibilityLevel, ListedVersionsAndOtherwiseTheDigitAtIndexThree) {
    ConversionOptions options;
    const auto levelOf = [&options](const char* version) {
        options.pdfVersion = pdfVersionOfText(QString::fromLatin1(version));
        return effectiveCompatibilityLevel(options);
    };
    EXPECT_EQ(levelOf("V1.3(Acrobat 4.xx)"), "1.3");
    EXPECT_EQ(levelOf("V1.4"), "1.4");
    EXPECT_EQ(levelOf("V1.5"), "1.5");
    EXPECT_EQ(levelOf("1.4"), "");
    EXPECT_EQ(levelOf("V2.0"), "");
    EXPECT_EQ(levelOf("V3.4"), "1.4"); // "3" stands at 1
    EXPECT_EQ(levelOf(""), "");
}

// 128-bit RC4 came with PDF 1.4, AES-256 with 1.7; a later version chosen stays.
TEST(CompatibilityLevel, EncryptionRaisesTheVersionToTheOneItCameWith) {
    struct Case {
        std::optional<EncryptionLevel> level;
        const char* version;
        bool security;
        const char* written;
    };
    for (const Case& c : {Case{EncryptionLevel::Rc4_40, "V1.3(Acrobat 4.xx)", true, "1.3"},
                          Case{EncryptionLevel::Rc4_40, "?", true, ""},
                          Case{EncryptionLevel::Rc4_128, "V1.3(Acrobat 4.xx)", true, "1.4"},
                          Case{EncryptionLevel::Rc4_128, "?", true, "1.4"},
                          Case{EncryptionLevel::Rc4_128, "V1.5", true, "1.5"},
                          Case{EncryptionLevel::Rc4_128, "V1.3(Acrobat 4.xx)", false, "1.3"},
                          Case{EncryptionLevel::Aes256, "V1.3(Acrobat 4.xx)", true, "1.7"},
                          Case{EncryptionLevel::Aes256, "V1.5", true, "1.7"},
                          Case{EncryptionLevel::Aes256, "?", true, "1.7"},
                          Case{EncryptionLevel::Aes256, "V1.4", false, "1.4"},
                          Case{std::nullopt, "V1.3(Acrobat 4.xx)", true, "1.3"}}) {
        ConversionOptions options;
        options.securityEnabled = c.security;
        options.ownerPassword = QStringLiteral("o");
        options.encryptionLevel = c.level;
        options.pdfVersion = pdfVersionOfText(QString::fromLatin1(c.version));
        EXPECT_EQ(effectiveCompatibilityLevel(options), c.written) << c.version;
    }
}

using test::PermissionCase;

class Permissions : public testing::TestWithParam<PermissionCase> {};

TEST_P(Permissions, AllowExactlyTheTickedActions) {
    const auto& c = GetParam();
    ConversionOptions options;
    options.allowCopying = c.copying;
    options.allowFormFilling = c.formFilling;
    options.allowChanging = c.changing;
    options.allowPrinting = c.printing;
    options.encryptionLevel = c.level;
    EXPECT_EQ(permissionValue(options), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, Permissions,
    testing::Values(
        PermissionCase{EncryptionLevel::Rc4_40, false, false, false, false, -64},
        PermissionCase{EncryptionLevel::Rc4_40, true, true, true, true, -4},
        PermissionCase{EncryptionLevel::Rc4_40, false, false, false, true, -60},
        PermissionCase{EncryptionLevel::Rc4_40, true, false, false, false, -48},
        PermissionCase{EncryptionLevel::Rc4_40, false, true, true, false, -24},
        PermissionCase{EncryptionLevel::Rc4_128, false, false, false, false, -3392},
        PermissionCase{EncryptionLevel::Rc4_128, true, true, true, true, -4},
        PermissionCase{EncryptionLevel::Rc4_128, false, false, false, true, -3392 + 4 + 2048},
        PermissionCase{EncryptionLevel::Rc4_128, false, false, true, false, -3392 + 8 + 1024},
        PermissionCase{EncryptionLevel::Rc4_128, true, false, false, false, -3392 + 16},
        PermissionCase{EncryptionLevel::Rc4_128, false, true, false, false, -3392 + 32 + 256},
        PermissionCase{EncryptionLevel::Aes256, false, false, false, false, -3392},
        PermissionCase{EncryptionLevel::Aes256, true, true, true, true, -4},
        PermissionCase{EncryptionLevel::Aes256, false, true, false, true,
                       -3392 + 32 + 256 + 4 + 2048}),
    test::permissionCaseName);

ConversionOptions secured() {
    ConversionOptions options;
    options.securityEnabled = true;
    options.ownerPassword = QStringLiteral("own");
    options.userPassword = QStringLiteral("use");
    return options;
}

// The arguments between the DSC switch and the output file: the security switches.
QStringList securitySwitches(const ConversionOptions& options) {
    const QStringList all = ghostscriptArguments(options, "/o.pdf", "/in.ps", "/pdfmarks");
    const auto first = all.indexOf(QStringLiteral("-dParseDSCComments=false")) + 1;
    return all.mid(first, all.indexOf(QStringLiteral("-sOutputFile=/o.pdf")) - first);
}

TEST(SecuritySwitches, OffWithoutSecurityWhateverTheOtherFieldsHold) {
    auto options = secured();
    options.securityEnabled = false;
    options.allowPrinting = true;
    EXPECT_EQ(securitySwitches(options), QStringList());
}

// Security is kept with a random owner password instead of silently writing an open PDF.
TEST(SecuritySwitches, EnabledEmptyOwnerPasswordGetsARandomOne) {
    auto options = secured();
    options.ownerPassword.clear();
    options.allowCopying = true;
    EXPECT_TRUE(writesSecurity(options));
    const QStringList switches = securitySwitches(options);
    ASSERT_EQ(switches.size(), 5);
    EXPECT_EQ(switches[0].size(), QStringLiteral("-sOwnerPassword=").size() + 32);
    EXPECT_EQ(switches.mid(1), QStringList({"-sUserPassword=use", "-dEncryptionR=2",
                                            "-dKeyLength=40", "-dPermissions=-48"}));
}

TEST(SecuritySwitches, BothPasswordsWithEitherLevel) {
    auto options = secured();
    EXPECT_EQ(securitySwitches(options),
              QStringList({"-sOwnerPassword=own", "-sUserPassword=use", "-dEncryptionR=2",
                           "-dKeyLength=40", "-dPermissions=-64"}));
    options.encryptionLevel = EncryptionLevel::Rc4_128;
    EXPECT_EQ(securitySwitches(options),
              QStringList({"-sOwnerPassword=own", "-sUserPassword=use", "-dEncryptionR=3",
                           "-dKeyLength=128", "-dPermissions=-3392"}));
    // AES-256 is written afterwards: Ghostscript writes an open PDF and sees no password.
    options.encryptionLevel = EncryptionLevel::Aes256;
    EXPECT_TRUE(encryptsAfterGhostscript(options));
    EXPECT_EQ(securitySwitches(options), QStringList());
    options.encryptionLevel = std::nullopt; // no level: Ghostscript's own default
    EXPECT_FALSE(encryptsAfterGhostscript(options));
    EXPECT_EQ(securitySwitches(options),
              QStringList({"-sOwnerPassword=own", "-sUserPassword=use"}));
}

TEST(SecuritySwitches, UserPasswordSwitchedOffOrEmpty) {
    auto options = secured();
    options.userPasswordEnabled = false;
    EXPECT_EQ(securitySwitches(options).mid(0, 2),
              QStringList({"-sOwnerPassword=own", "-dEncryptionR=2"}));
    options.userPasswordEnabled = true;
    options.userPassword.clear();
    EXPECT_EQ(securitySwitches(options).mid(0, 2),
              QStringList({"-sOwnerPassword=own", "-sUserPassword="}));
}

TEST(GhostscriptArguments, SideFileAroundTheSpoolFileNoSetpdfwriteDscIgnoredPercentDoubled) {
    auto options = secured();
    options.encryptionLevel = EncryptionLevel::Rc4_128;
    options.allowPrinting = true;
    const QStringList expected{"-dSAFER",
                               "-dNOPAUSE",
                               "-dBATCH",
                               "-sDEVICE=pdfwrite",
                               "--permit-file-read=/in/a b.ps:/s/pdfmarks",
                               "--permit-file-write=/o/100%.pdf",
                               "-dCompatibilityLevel=1.4",
                               "-dParseDSCComments=false",
                               "-sOwnerPassword=own",
                               "-sUserPassword=use",
                               "-dEncryptionR=3",
                               "-dKeyLength=128",
                               "-dPermissions=-1340",
                               "-sOutputFile=/o/100%%.pdf",
                               "-dPassThroughJPEGImages=false",
                               "-f",
                               "/s/pdfmarks",
                               "/in/a b.ps",
                               "/s/pdfmarks"};
    EXPECT_EQ(ghostscriptArguments(options, "/o/100%.pdf", "/in/a b.ps", "/s/pdfmarks"), expected);
    QStringList legacy = expected;
    legacy.insert(legacy.indexOf("-dPassThroughJPEGImages=false"), "-dNEWPDF=false");
    EXPECT_EQ(ghostscriptArguments(options, "/o/100%.pdf", "/in/a b.ps", "/s/pdfmarks",
                                   std::nullopt, true),
              legacy);
}

TEST(GhostscriptArguments, NoLevelSwitchWhenNoVersionQualifies) {
    ConversionOptions options;
    options.pdfVersion = std::nullopt;
    EXPECT_FALSE(ghostscriptArguments(options, "/o.pdf", "/i.ps", "/m")
                     .join(' ')
                     .contains(QLatin1String("CompatibilityLevel")));
}

} // namespace
} // namespace ostrel
