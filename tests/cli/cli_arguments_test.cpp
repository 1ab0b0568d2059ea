#include "cli_arguments.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

namespace ostrel::cli {
namespace {

class Arguments : public testing::Test {
protected:
    std::variant<Request, UsageError> parse(QStringList arguments) {
        return parseArguments(arguments, [this](const char* name) -> std::optional<QByteArray> {
            const auto found = environment.find(name);
            if (found == environment.end()) {
                return std::nullopt;
            }
            return found->second;
        });
    }
    Request request(const QStringList& arguments) {
        auto parsed = parse(arguments);
        if (auto* error = std::get_if<UsageError>(&parsed)) {
            ADD_FAILURE() << error->message.toStdString();
            return {};
        }
        return std::get<Request>(parsed);
    }
    QString error(const QStringList& arguments) {
        auto parsed = parse(arguments);
        if (auto* usage = std::get_if<UsageError>(&parsed)) {
            EXPECT_FALSE(usage->message.contains(QLatin1Char('\n')));
            return usage->message;
        }
        ADD_FAILURE() << "accepted";
        return {};
    }
    QString file(const char* name, const QByteArray& content) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        return path;
    }

    QTemporaryDir dir;
    std::map<std::string, QByteArray> environment;
};

TEST_F(Arguments, DefaultsAreThoseOfTheOptionsRecord) {
    const auto parsed = request({"a.ps", "-d", dir.path(), "b.ps"});
    ConversionOptions expected;
    expected.destinationFolder = dir.path();
    EXPECT_EQ(parsed.options, expected);
    EXPECT_EQ(parsed.files, QStringList({"a.ps", "b.ps"}));
    EXPECT_EQ(parsed.overwrite, Overwrite::Ask);
    EXPECT_FALSE(parsed.quiet);
}

TEST_F(Arguments, EveryOptionReachesItsField) {
    const auto parsed = request({"--destination=" + dir.path(),
                                 "--title",
                                 "T",
                                 "--author",
                                 "A",
                                 "--subject",
                                 "S",
                                 "--keywords",
                                 "k1\nk2",
                                 "--document-compression",
                                 "LZW",
                                 "--image-compression=JPEG",
                                 "--jpeg-quality",
                                 "Maximum",
                                 "--pdf-version",
                                 "1.5",
                                 "--security",
                                 "--no-user-password",
                                 "--no-owner-password",
                                 "--allow",
                                 "printing,copying",
                                 "--encryption",
                                 "high",
                                 "--overwrite",
                                 "yes",
                                 "-q",
                                 "--",
                                 "-odd.ps",
                                 "--title=x.docx",
                                 "--",
                                 "-q"});
    const auto& o = parsed.options;
    EXPECT_EQ(o.title, "T");
    EXPECT_EQ(o.author, "A");
    EXPECT_EQ(o.subject, "S");
    EXPECT_EQ(o.keywords, "k1\nk2");
    EXPECT_EQ(o.documentCompression, PageCompression::Lzw);
    EXPECT_EQ(o.imageCompression, ImageFilter::Jpeg);
    EXPECT_EQ(o.jpegQuality, JpegQuality::Maximum);
    EXPECT_EQ(o.pdfVersion, PdfVersion::V1_5);
    EXPECT_TRUE(o.securityEnabled);
    EXPECT_FALSE(o.userPasswordEnabled);
    EXPECT_FALSE(o.ownerPasswordEnabled);
    EXPECT_TRUE(o.allowPrinting && o.allowCopying);
    EXPECT_FALSE(o.allowChanging || o.allowFormFilling);
    EXPECT_EQ(o.encryptionLevel, EncryptionLevel::Rc4_128);
    EXPECT_EQ(parsed.overwrite, Overwrite::Yes);
    EXPECT_TRUE(parsed.quiet);
    EXPECT_EQ(parsed.files, QStringList({"-odd.ps", "--title=x.docx", "--", "-q"}));
    EXPECT_EQ(request({"-d", dir.path(), "x", "--pdf-version", "1.3"}).options.pdfVersion,
              PdfVersion::V1_3);
    EXPECT_EQ(request({"-d", dir.path(), "x", "--encryption", "aes256"}).options.encryptionLevel,
              EncryptionLevel::Aes256);
}

TEST_F(Arguments, PasswordsFromFilesBeforeTheEnvironment) {
    environment["OSTREL_USER_PASSWORD"] = "env user";
    environment["OSTREL_OWNER_PASSWORD"] = "env owner";
    auto parsed = request({"-d", dir.path(), "x.ps"});
    EXPECT_EQ(parsed.options.userPassword, "env user");
    EXPECT_EQ(parsed.options.ownerPassword, "env owner");

    parsed = request({"-d", dir.path(), "x.ps", "--user-password-file",
                      file("user", "s\u00e9cret one\r\nsecond line\n"), "--owner-password-file",
                      file("owner", "own")});
    EXPECT_EQ(parsed.options.userPassword, QStringLiteral("s\u00e9cret one"));
    EXPECT_EQ(parsed.options.ownerPassword, "own");
}

TEST_F(Arguments, TheDocumentPasswordFromItsFileOrTheEnvironmentOrNone) {
    EXPECT_EQ(request({"-d", dir.path(), "x.doc"}).documentPassword, std::nullopt);
    environment["OSTREL_DOCUMENT_PASSWORD"] = "env document";
    EXPECT_EQ(request({"-d", dir.path(), "x.doc"}).documentPassword, "env document");
    EXPECT_EQ(request({"-d", dir.path(), "x.doc", "--document-password-file",
                       file("document", "Password1234_\nnext\n")})
                  .documentPassword,
              "Password1234_");
    EXPECT_TRUE(error({"x.doc", "-d", dir.path(), "--document-password-file", dir.filePath("none")})
                    .startsWith("--document-password-file: cannot read"));
}

// Listed names take the place of --files-from among the arguments, taken as they stand
// (spaces, a carriage return, a leading dash) but for empty entries; --null separates
// every list by NUL. An empty list is a run of nothing; --shard keeps its share of all.
TEST_F(Arguments, ListedFilesTakeTheirPlaceAmongTheArguments) {
    const QString lines = file("lines", "\nb.ps\n\n c d.ps\r\n-e.ps");
    EXPECT_EQ(request({"a.ps", "--files-from", lines, "f.ps", "-d", dir.path()}).files,
              QStringList({"a.ps", "b.ps", " c d.ps\r", "-e.ps", "f.ps"}));
    const QString nul = file("nul", QByteArray("x\ny.ps\0\0z.ps\0", 14));
    EXPECT_EQ(request({"--files-from=" + nul, "--null", "-d", dir.path()}).files,
              QStringList({"x\ny.ps", "z.ps"}));
    EXPECT_EQ(request({"--files-from", file("empty", {}), "-d", dir.path()}).files, QStringList());
    const auto sharded =
        request({"a.ps", "--files-from", lines, "--shard", "2/2", "--json", "-d", dir.path()});
    EXPECT_EQ(sharded.files, filesOfShard({"a.ps", "b.ps", " c d.ps\r", "-e.ps"}, {2, 2}));
    EXPECT_TRUE(sharded.json);
}

TEST_F(Arguments, UsageErrorsSayWhatIsWrong) {
    EXPECT_TRUE(error({"x.ps"}).contains("destination"));
    EXPECT_TRUE(error({"x.ps", "-d", dir.filePath("missing")}).contains("not an existing folder"));
    EXPECT_TRUE(error({"x.ps", "-d", file("plain", "x")}).contains("not an existing folder"));
    EXPECT_TRUE(error({"-d", dir.path()}).contains("no file"));
    EXPECT_TRUE(error({"x.ps", "-d", dir.path(), "--password", "p"}).contains("--password"));
    EXPECT_TRUE(error({"x.ps", "-d", dir.path(), "--pdf-version", "V1.4"}).contains("1.3|1.4|1.5"));
    EXPECT_TRUE(error({"x.ps", "-d", dir.path(), "--allow", "printing,faxing"}).contains("faxing"));
    EXPECT_TRUE(error({"x.ps", "-d", dir.path(), "--overwrite", "maybe"}).contains("--overwrite"));
    EXPECT_TRUE(error({"x.ps", "-d", dir.path(), "--title"}).contains("needs a value"));
    EXPECT_TRUE(error({"x.ps", "-d", dir.path(), "--quiet=yes"}).contains("no value"));
    EXPECT_TRUE(error({"x.ps", "-d", dir.path(), "--user-password-file", dir.filePath("none")})
                    .contains("cannot read"));
    EXPECT_TRUE(
        error({"x.ps", "-d", dir.path(), "--image-compression", "jpeg"}).contains("Flate|JPEG"));
    EXPECT_TRUE(error({"-d", dir.path(), "--files-from", dir.filePath("none")})
                    .startsWith("--files-from: cannot read"));
    EXPECT_TRUE(error({"x.ps", "-d", dir.path(), "--null"}).contains("--files-from"));
    EXPECT_TRUE(error({"x.ps", "-d", dir.path(), "--shard", "3/2"}).contains("K/N"));
}

// A password is taken byte for byte or refused with a line saying why: never made
// valid, cut to the level's length, or allowed to equal the owner's.
TEST_F(Arguments, PasswordsAreTakenExactlyOrRefused) {
    const QString latin1 = file("latin1", "p\xE9ss\n");
    const QString limit = file("limit", QByteArray(32, 'u'));
    const QString over = file("over", QByteArray(31, 'u') + "\xC3\xA9"); // 33 bytes
    const QString same = file("same", "same\n");
    const QStringList security{"x.ps", "-d", dir.path(), "--security"};
    struct Case {
        QStringList arguments;
        const char* refusal; // none: accepted
    };
    for (const Case& c : {
             Case{security + QStringList{"--user-password-file", latin1},
                  "--user-password-file %1: the password is not valid UTF-8 text"},
             Case{{"x.doc", "-d", dir.path(), "--document-password-file", latin1},
                  "--document-password-file %1: the password is not valid UTF-8 text"},
             Case{security + QStringList{"--user-password-file", over},
                  "the user password is longer than 32 bytes"},
             Case{security + QStringList{"--owner-password-file", over, "--encryption", "high"},
                  "the owner password is longer than 32 bytes"},
             Case{security +
                      QStringList{"--user-password-file", same, "--owner-password-file", same},
                  "the user password is the owner password"},
             Case{security + QStringList{"--user-password-file", limit}, nullptr},
             Case{security + QStringList{"--user-password-file", same, "--owner-password-file",
                                         same, "--no-owner-password"},
                  nullptr},
             Case{{"x.ps", "-d", dir.path(), "--user-password-file", over}, nullptr},
         }) {
        if (c.refusal == nullptr) {
            EXPECT_TRUE(std::holds_alternative<Request>(parse(c.arguments)))
                << c.arguments.join(' ').toStdString();
            continue;
        }
        QString expected = QString::fromLatin1(c.refusal);
        if (expected.contains(QLatin1String("%1"))) {
            expected = expected.arg(latin1);
        }
        EXPECT_TRUE(error(c.arguments).startsWith(expected)) << expected.toStdString();
    }
    environment["OSTREL_OWNER_PASSWORD"] = "p\xE8ss";
    EXPECT_EQ(error(security), "OSTREL_OWNER_PASSWORD: the password is not valid UTF-8 text");
}

TEST(Usage, ListsTheWordsOfEachChoice) {
    for (const char* line : {"compression Flate|LZW\n", "compression Flate|JPEG|Automatic\n",
                             "quality Minimum|Low|Medium|Maximum\n", "version 1.3|1.4|1.5\n",
                             "--encryption low|high|aes256 ", "--overwrite ask|yes|no "})
        EXPECT_TRUE(usageText().contains(QLatin1String(line))) << line;
}

// "-d, --destination DIR" names two options that take DIR: "-d DIR", "--destination DIR".
QStringList optionsOf(const QString& synopsis) {
    QStringList names = synopsis.split(QLatin1String(", "));
    QString argument = names.last().section(QLatin1Char(' '), 1);
    names.last() = names.last().section(QLatin1Char(' '), 0, 0);
    if (!argument.isEmpty()) {
        for (QString& name : names) {
            name += QLatin1Char(' ') + argument;
        }
    }
    return names;
}

// The options of the manual page's OPTIONS, as its tags name them, in their order.
QStringList manualPageOptions() {
    QFile page(QStringLiteral(OSTREL_MANUAL_PAGE));
    EXPECT_TRUE(page.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(page.readAll()).split(QLatin1Char('\n'));
    QStringList options;
    bool inOptions = false;
    for (qsizetype at = 0; at < lines.size(); ++at) {
        if (lines[at].startsWith(QLatin1String(".SH"))) {
            inOptions = lines[at] == QLatin1String(".SH OPTIONS");
        } else if (inOptions && lines[at] == QLatin1String(".TP") && at + 1 < lines.size()) {
            QString tag = lines[at + 1];
            tag.remove(QRegularExpression(QStringLiteral("^\\.B |\\\\f[BIRP]")));
            options += optionsOf(tag.replace(QLatin1String("\\-"), QLatin1String("-")));
        }
    }
    return options;
}

// The help's option lines: two spaces, the synopsis, two spaces or more and the help.
QStringList helpOptions() {
    QStringList options;
    for (const QString& line : usageText().split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("  -"))) {
            options += optionsOf(line.mid(2).section(QLatin1String("  "), 0, 0));
        }
    }
    return options;
}

TEST(Usage, NamesTheOptionsOfTheManualPageWithTheirArguments) {
    const QStringList help = helpOptions();
    EXPECT_TRUE(help.contains(QLatin1String("--encryption low|high|aes256")));
    // One option a line, so that a failure shows the lines that differ.
    EXPECT_EQ(manualPageOptions().join(QLatin1Char('\n')).toStdString(),
              help.join(QLatin1Char('\n')).toStdString());
}

} // namespace
} // namespace ostrel::cli
