#include "cli_arguments.h"

#include "file_name_bytes.h"
#include "option_choices.h"
#include "password_rules.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>

namespace ostrel::cli {
namespace {

struct Failure {
    QString message;
};

struct OverwritePolicy {
    const char* word;
    Overwrite overwrite;
};
constexpr OverwritePolicy kOverwritePolicies[] = {
    {"ask", Overwrite::Ask}, {"yes", Overwrite::Yes}, {"no", Overwrite::No}};

template <typename Table> QString wordsOf(const Table& table) {
    QStringList words;
    for (const auto& entry : table) {
        words << QString::fromLatin1(entry.word);
    }
    return words.join(QLatin1Char('|'));
}

// The entry of the table whose word the value is.
template <typename Table>
const auto& choice(const QString& option, const QString& value, const Table& table) {
    const auto* found = std::ranges::find_if(
        table, [&](const auto& entry) { return value == QLatin1String(entry.word); });
    if (found != std::end(table)) {
        return *found;
    }
    throw Failure{QStringLiteral("%1: \"%2\" is not one of %3").arg(option, value, wordsOf(table))};
}

// The password exactly as its bytes spell it; a lossy reading would make another one.
QString exactPassword(const QByteArray& bytes, const QString& source) {
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes) {
        throw Failure{QStringLiteral("%1: the password is not valid UTF-8 text").arg(source)};
    }
    return text;
}

QString firstLineOf(const QString& option, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Failure{
            QStringLiteral("%1: cannot read %2: %3").arg(option, path, file.errorString())};
    }
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    return exactPassword(line, QStringLiteral("%1 %2").arg(option, path));
}

std::optional<QString> passwordFromEnvironment(const EnvironmentLookup& environment,
                                               const char* name) {
    const auto bytes = environment(name);
    if (!bytes) {
        return std::nullopt;
    }
    return exactPassword(*bytes, QString::fromLatin1(name));
}

QString describe(const PasswordProblem& problem) {
    switch (problem.kind) {
    case PasswordProblem::UserTooLong:
    case PasswordProblem::OwnerTooLong:
        return QStringLiteral("the %1 password is longer than %2 bytes, the most the chosen "
                              "encryption takes; it is refused rather than cut")
            .arg(problem.kind == PasswordProblem::UserTooLong ? QStringLiteral("user")
                                                              : QStringLiteral("owner"))
            .arg(problem.limit);
    case PasswordProblem::SameAsOwner:
        break;
    }
    return QStringLiteral("the user password is the owner password: every reader would get the "
                          "owner's rights");
}

void allow(ConversionOptions& options, const QString& list) {
    for (const auto& action : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = action.trimmed();
        if (name == QLatin1String("copying")) {
            options.allowCopying = true;
        } else if (name == QLatin1String("form-filling")) {
            options.allowFormFilling = true;
        } else if (name == QLatin1String("changing")) {
            options.allowChanging = true;
        } else if (name == QLatin1String("printing")) {
            options.allowPrinting = true;
        } else {
            throw Failure{QStringLiteral("--allow: unknown action \"%1\" (copying, form-filling, "
                                         "changing, printing)")
                              .arg(name)};
        }
    }
}

int jobCount(const QString& option, const QString& value) {
    bool number = false;
    const int jobs = value.toInt(&number);
    if (!number || jobs < 1 || jobs > 64) {
        throw Failure{QStringLiteral("%1: \"%2\" is not a number from 1 to 64").arg(option, value)};
    }
    return jobs;
}

Shard shardOf(const QString& option, const QString& value) {
    if (const auto shard = parseShard(value)) {
        return *shard;
    }
    throw Failure{QStringLiteral("%1: \"%2\" is not K/N, shard K of N (N from 1, K from 1 to N; "
                                 "0 also names shard N)")
                      .arg(option, value)};
}

// Walks the arguments; "--name=value" and "--name value" both work.
class ArgumentReader {
public:
    explicit ArgumentReader(const QStringList& arguments) : arguments_(arguments) {}

    bool atEnd() const { return index_ >= arguments_.size(); }

    // The next argument as it stands: after "--" every argument is a file.
    QString nextFile() {
        pendingValue_.reset();
        return arguments_.at(index_++);
    }

    QString next() {
        QString argument = arguments_.at(index_++);
        pendingValue_.reset();
        if (argument.startsWith(QLatin1String("--")) && argument.contains(QLatin1Char('='))) {
            const auto equals = argument.indexOf(QLatin1Char('='));
            pendingValue_ = argument.mid(equals + 1);
            argument.truncate(equals);
        }
        return argument;
    }

    QString value(const QString& option) {
        if (pendingValue_) {
            return *std::exchange(pendingValue_, std::nullopt);
        }
        if (atEnd()) {
            throw Failure{QStringLiteral("%1 needs a value").arg(option)};
        }
        return arguments_.at(index_++);
    }

    void noValue(const QString& option) {
        if (pendingValue_) {
            throw Failure{QStringLiteral("%1 takes no value").arg(option)};
        }
    }

private:
    const QStringList& arguments_;
    qsizetype index_ = 0;
    std::optional<QString> pendingValue_;
};

// The lists of --files-from, read once every option (--null among them) is known.
class FileLists {
public:
    // A list named where `filesBefore` files had been given.
    void add(qsizetype filesBefore, const QString& path) { lists_.emplace_back(filesBefore, path); }
    bool empty() const { return lists_.empty(); }

    // The files with each list's names put in its place.
    QStringList insertInto(const QStringList& files, bool nullSeparated) const {
        QStringList all;
        qsizetype taken = 0;
        for (const auto& [place, path] : lists_) {
            all += files.mid(taken, place - taken);
            taken = place;
            QString error;
            const auto names = readFileList(path, nullSeparated, error);
            if (!names) {
                throw Failure{QStringLiteral("--files-from: cannot read %1: %2").arg(path, error)};
            }
            all += *names;
        }
        return all + files.mid(taken);
    }

private:
    std::vector<std::pair<qsizetype, QString>> lists_;
};

// What reading the arguments gathers on the way to the request.
struct Reading {
    Request request;
    std::optional<QString> userPasswordFile;
    std::optional<QString> ownerPasswordFile;
    std::optional<QString> documentPasswordFile;
    bool onlyFiles = false; // after "--"
    bool nullSeparated = false;
    FileLists lists;
};

// One option of the command line: the parser and the usage text both read it.
struct Option {
    const char* name;
    const char* shortName; // null when there is none
    // How the value is written in the usage: a placeholder, or the words it is one of
    // (from the choice tables). Neither: the option takes no value.
    const char* placeholder;
    QString (*words)();
    const char* help; // empty when the words say it all
    // Fills the reading from the value, as typed after the option (`typed`, for messages).
    void (*fill)(Reading& reading, const QString& typed, const QString& value);

    bool takesValue() const { return placeholder != nullptr || words != nullptr; }
    QString synopsis() const {
        QString text = QString::fromLatin1(name);
        if (shortName != nullptr) {
            text.prepend(QString::fromLatin1(shortName) + QLatin1String(", "));
        }
        if (placeholder != nullptr) {
            text += QLatin1Char(' ') + QString::fromLatin1(placeholder);
        } else if (words != nullptr) {
            text += QLatin1Char(' ') + words();
        }
        return text;
    }
};

template <const auto& table> QString words() {
    return wordsOf(table);
}

template <QString ConversionOptions::*field>
void text(Reading& reading, const QString&, const QString& value) {
    reading.request.options.*field = value;
}

template <const auto& table, auto field>
void chosen(Reading& reading, const QString& typed, const QString& value) {
    reading.request.options.*field = choice(typed, value, table).meaning;
}

template <std::optional<QString> Reading::*field>
void path(Reading& reading, const QString&, const QString& value) {
    reading.*field = value;
}

template <bool Reading::*field> void set(Reading& reading, const QString&, const QString&) {
    reading.*field = true;
}

template <bool Request::*field> void set(Reading& reading, const QString&, const QString&) {
    reading.request.*field = true;
}

template <bool ConversionOptions::*field, bool value>
void option(Reading& reading, const QString&, const QString&) {
    reading.request.options.*field = value;
}

// In the order of the manual page's OPTIONS.
constexpr Option kOptions[] = {
    {"--destination", "-d", "DIR", nullptr, "existing folder for the PDFs (required)",
     text<&ConversionOptions::destinationFolder>},
    {"--title", nullptr, "TEXT", nullptr, "title of the PDFs", text<&ConversionOptions::title>},
    {"--author", nullptr, "TEXT", nullptr, "author of the PDFs", text<&ConversionOptions::author>},
    {"--subject", nullptr, "TEXT", nullptr, "subject of the PDFs",
     text<&ConversionOptions::subject>},
    {"--keywords", nullptr, "TEXT", nullptr, "keywords of the PDFs",
     text<&ConversionOptions::keywords>},
    {"--document-compression", nullptr, nullptr, words<kDocumentCompressions>, "",
     chosen<kDocumentCompressions, &ConversionOptions::documentCompression>},
    {"--image-compression", nullptr, nullptr, words<kImageCompressions>, "",
     chosen<kImageCompressions, &ConversionOptions::imageCompression>},
    {"--jpeg-quality", nullptr, nullptr, words<kJpegQualities>, "",
     chosen<kJpegQualities, &ConversionOptions::jpegQuality>},
    {"--pdf-version", nullptr, nullptr, words<kPdfVersions>, "",
     chosen<kPdfVersions, &ConversionOptions::pdfVersion>},
    {"--security", nullptr, nullptr, nullptr, "enable PDF security (off by default)",
     option<&ConversionOptions::securityEnabled, true>},
    {"--user-password-file", nullptr, "FILE", nullptr,
     "first line is the user password (or env OSTREL_USER_PASSWORD)",
     path<&Reading::userPasswordFile>},
    {"--owner-password-file", nullptr, "FILE", nullptr,
     "first line is the owner password (or env OSTREL_OWNER_PASSWORD)",
     path<&Reading::ownerPasswordFile>},
    {"--no-user-password", nullptr, nullptr, nullptr, "secure without a user password",
     option<&ConversionOptions::userPasswordEnabled, false>},
    {"--no-owner-password", nullptr, nullptr, nullptr, "secure without an owner password",
     option<&ConversionOptions::ownerPasswordEnabled, false>},
    {"--document-password-file", nullptr, "FILE", nullptr,
     "first line opens protected documents (or env OSTREL_DOCUMENT_PASSWORD)",
     path<&Reading::documentPasswordFile>},
    {"--allow", nullptr, "LIST", nullptr, "comma list of copying,form-filling,changing,printing",
     [](Reading& reading, const QString&, const QString& value) {
         allow(reading.request.options, value);
     }},
    {"--encryption", nullptr, nullptr, words<kEncryptionLevels>,
     "40-bit or 128-bit RC4, 256-bit AES (PDF 1.7) (default low)",
     chosen<kEncryptionLevels, &ConversionOptions::encryptionLevel>},
    {"--overwrite", nullptr, nullptr, words<kOverwritePolicies>,
     "an existing PDF: ask (default, on a terminal; elsewhere no), replace, skip",
     [](Reading& reading, const QString& typed, const QString& value) {
         reading.request.overwrite = choice(typed, value, kOverwritePolicies).overwrite;
     }},
    {"--jobs", "-j", "N", nullptr,
     "run N offices at once (default: 1; from 24 files on, one per core, at most 2)",
     [](Reading& reading, const QString& typed, const QString& value) {
         reading.request.jobs = jobCount(typed, value);
     }},
    {"--files-from", nullptr, "LIST", nullptr,
     "also the files listed in LIST, one per line (- for standard input)",
     [](Reading& reading, const QString&, const QString& value) {
         reading.lists.add(reading.request.files.size(), value);
     }},
    {"--null", nullptr, nullptr, nullptr, "the lists separate names by NUL, not by line",
     set<&Reading::nullSeparated>},
    {"--shard", nullptr, "K/N", nullptr,
     "convert only shard K of N of the files (K from 1 to N; 0 is N)",
     [](Reading& reading, const QString& typed, const QString& value) {
         reading.request.shard = shardOf(typed, value);
     }},
    {"--json", nullptr, nullptr, nullptr,
     "one JSON object per file and the totals on standard output", set<&Request::json>},
    {"--quiet", "-q", nullptr, nullptr, "no line per file, no progress", set<&Request::quiet>},
    {"--", nullptr, nullptr, nullptr, "every argument after it is a file",
     set<&Reading::onlyFiles>},
    {"--help", "-h", nullptr, nullptr, "print this usage and exit", set<&Request::help>},
    {"--version", nullptr, nullptr, nullptr, "print the version and exit", set<&Request::version>},
};

const Option& optionNamed(const QString& typed) {
    const auto* found = std::ranges::find_if(kOptions, [&](const Option& option) {
        return typed == QLatin1String(option.name) ||
               (option.shortName != nullptr && typed == QLatin1String(option.shortName));
    });
    if (found == std::end(kOptions)) {
        throw Failure{QStringLiteral("unknown option %1").arg(typed)};
    }
    return *found;
}

// The options fill the reading; every other argument is a file.
void readArguments(const QStringList& arguments, Reading& reading) {
    ArgumentReader reader(arguments);
    while (!reader.atEnd()) {
        if (reading.onlyFiles) {
            reading.request.files << reader.nextFile();
            continue;
        }
        const QString typed = reader.next();
        if (!typed.startsWith(QLatin1Char('-')) || typed == QLatin1String("-")) {
            reading.request.files << typed;
            continue;
        }
        const Option& option = optionNamed(typed);
        if (option.takesValue()) {
            option.fill(reading, typed, reader.value(typed));
        } else {
            reader.noValue(typed);
            option.fill(reading, typed, {});
        }
    }
}

// The password from the file the option named, else from the variable.
std::optional<QString> password(const std::optional<QString>& file, const char* option,
                                const EnvironmentLookup& environment, const char* variable) {
    return file ? firstLineOf(QString::fromLatin1(option), *file)
                : passwordFromEnvironment(environment, variable);
}

void readPasswords(Reading& reading, const EnvironmentLookup& environment) {
    ConversionOptions& options = reading.request.options;
    options.userPassword = password(reading.userPasswordFile, "--user-password-file", environment,
                                    "OSTREL_USER_PASSWORD")
                               .value_or(QString());
    options.ownerPassword = password(reading.ownerPasswordFile, "--owner-password-file",
                                     environment, "OSTREL_OWNER_PASSWORD")
                                .value_or(QString());
    reading.request.documentPassword =
        password(reading.documentPasswordFile, "--document-password-file", environment,
                 "OSTREL_DOCUMENT_PASSWORD");
    if (const auto problem = passwordProblem(options)) {
        throw Failure{describe(*problem)};
    }
}

void checkDestination(const Reading& reading) {
    const QString& destination = reading.request.options.destinationFolder;
    if (destination.isEmpty()) {
        throw Failure{QStringLiteral("no destination folder (-d DIR)")};
    }
    struct stat folder {};
    if (::stat(fileNameBytes(destination).constData(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
        throw Failure{QStringLiteral("destination %1 is not an existing folder").arg(destination)};
    }
}

// The files given and listed, of the shard when one was asked for.
QStringList filesToConvert(const Reading& reading) {
    if (reading.nullSeparated && reading.lists.empty()) {
        throw Failure{QStringLiteral("--null needs --files-from")};
    }
    // An empty list is a run of nothing, as a scheduler may hand out.
    if (reading.request.files.isEmpty() && reading.lists.empty()) {
        throw Failure{QStringLiteral("no file to convert")};
    }
    const QStringList files =
        reading.lists.insertInto(reading.request.files, reading.nullSeparated);
    return reading.request.shard ? filesOfShard(files, *reading.request.shard) : files;
}

Request read(const QStringList& arguments, const EnvironmentLookup& environment) {
    Reading reading;
    readArguments(arguments, reading);
    // Asking for the usage or the version needs no files, folder or passwords.
    if (reading.request.help || reading.request.version) {
        return std::move(reading.request);
    }
    readPasswords(reading, environment);
    checkDestination(reading);
    reading.request.files = filesToConvert(reading);
    return std::move(reading.request);
}

} // namespace

std::optional<QByteArray> processEnvironment(const char* name) {
    if (const char* value = std::getenv(name)) {
        return QByteArray(value);
    }
    return std::nullopt;
}

std::variant<Request, UsageError> parseArguments(const QStringList& arguments,
                                                 const EnvironmentLookup& environment) {
    try {
        return read(arguments, environment);
    } catch (const Failure& failure) {
        return UsageError{failure.message};
    }
}

QString usageText() {
    // The help starts in this column, or on the next line after a longer synopsis.
    constexpr qsizetype kHelpColumn = 35;
    QString text = QStringLiteral(
        "usage: ostrel-convert [options] FILE... -d DIR\n"
        "       ostrel-convert --help | --version\n"
        "  FILE: PostScript (.ps) or a document (.doc .docx .rtf .txt .htm .xml .xls .ppt, "
        "pictures)\n");
    for (const Option& option : kOptions) {
        QString line = QLatin1String("  ") + option.synopsis();
        if (*option.help != '\0') {
            line = line.size() < kHelpColumn - 1
                       ? line.leftJustified(kHelpColumn)
                       : line + QLatin1Char('\n') + QString(kHelpColumn, QLatin1Char(' '));
            line += QString::fromLatin1(option.help);
        }
        text += line + QLatin1Char('\n');
    }
    return text + QStringLiteral(
                      "On a terminal, a status line on standard error shows which file of how "
                      "many is\nbeing converted. Exit status: 0 all converted, 1 any skipped or "
                      "failed, 2 usage error,\n128 + the signal's number when SIGINT, SIGTERM or "
                      "SIGHUP stopped the run.\n");
}

QString versionText() {
    return QStringLiteral("ostrel-convert (Ostrel Word To PDF) " OSTREL_VERSION "\n");
}

} // namespace ostrel::cli
