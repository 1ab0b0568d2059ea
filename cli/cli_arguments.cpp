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

Request read(const QStringList& arguments, const EnvironmentLookup& environment) {
    Request request;
    ConversionOptions& options = request.options;
    std::optional<QString> userPasswordFile;
    std::optional<QString> ownerPasswordFile;
    std::optional<QString> documentPasswordFile;
    bool destinationGiven = false;
    bool onlyFiles = false;
    FileLists lists;
    bool nullSeparated = false;

    ArgumentReader reader(arguments);
    while (!reader.atEnd()) {
        if (onlyFiles) {
            request.files << reader.nextFile();
            continue;
        }
        const QString argument = reader.next();
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            request.files << argument;
            continue;
        }
        const auto value = [&] { return reader.value(argument); };
        if (argument == QLatin1String("--")) {
            onlyFiles = true;
        } else if (argument == QLatin1String("-d") || argument == QLatin1String("--destination")) {
            options.destinationFolder = value();
            destinationGiven = true;
        } else if (argument == QLatin1String("--title")) {
            options.title = value();
        } else if (argument == QLatin1String("--author")) {
            options.author = value();
        } else if (argument == QLatin1String("--subject")) {
            options.subject = value();
        } else if (argument == QLatin1String("--keywords")) {
            options.keywords = value();
        } else if (argument == QLatin1String("--document-compression")) {
            options.documentCompression = choice(argument, value(), kDocumentCompressions).label;
        } else if (argument == QLatin1String("--image-compression")) {
            options.imageCompression = choice(argument, value(), kImageCompressions).label;
        } else if (argument == QLatin1String("--jpeg-quality")) {
            options.jpegQuality = choice(argument, value(), kJpegQualities).label;
        } else if (argument == QLatin1String("--pdf-version")) {
            options.pdfVersion = choice(argument, value(), kPdfVersions).label;
        } else if (argument == QLatin1String("--security")) {
            reader.noValue(argument);
            options.securityEnabled = true;
        } else if (argument == QLatin1String("--user-password-file")) {
            userPasswordFile = value();
        } else if (argument == QLatin1String("--owner-password-file")) {
            ownerPasswordFile = value();
        } else if (argument == QLatin1String("--document-password-file")) {
            documentPasswordFile = value();
        } else if (argument == QLatin1String("--no-user-password")) {
            reader.noValue(argument);
            options.userPasswordEnabled = false;
        } else if (argument == QLatin1String("--no-owner-password")) {
            reader.noValue(argument);
            options.ownerPasswordEnabled = false;
        } else if (argument == QLatin1String("--allow")) {
            allow(options, value());
        } else if (argument == QLatin1String("--encryption")) {
            options.encryptionLevel = choice(argument, value(), kEncryptionLevels).meaning.level;
        } else if (argument == QLatin1String("--overwrite")) {
            request.overwrite = choice(argument, value(), kOverwritePolicies).overwrite;
        } else if (argument == QLatin1String("-j") || argument == QLatin1String("--jobs")) {
            request.jobs = jobCount(argument, value());
        } else if (argument == QLatin1String("--files-from")) {
            lists.add(request.files.size(), value());
        } else if (argument == QLatin1String("--null")) {
            reader.noValue(argument);
            nullSeparated = true;
        } else if (argument == QLatin1String("--json")) {
            reader.noValue(argument);
            request.json = true;
        } else if (argument == QLatin1String("--shard")) {
            request.shard = shardOf(argument, value());
        } else if (argument == QLatin1String("-q") || argument == QLatin1String("--quiet")) {
            reader.noValue(argument);
            request.quiet = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            request.help = true;
        } else if (argument == QLatin1String("--version")) {
            request.version = true;
        } else {
            throw Failure{QStringLiteral("unknown option %1").arg(argument)};
        }
    }

    // Asking for the usage or the version needs no files, folder or passwords.
    if (request.help || request.version) {
        return request;
    }
    options.userPassword =
        userPasswordFile
            ? firstLineOf(QStringLiteral("--user-password-file"), *userPasswordFile)
            : passwordFromEnvironment(environment, "OSTREL_USER_PASSWORD").value_or(QString());
    options.ownerPassword =
        ownerPasswordFile
            ? firstLineOf(QStringLiteral("--owner-password-file"), *ownerPasswordFile)
            : passwordFromEnvironment(environment, "OSTREL_OWNER_PASSWORD").value_or(QString());
    request.documentPassword =
        documentPasswordFile
            ? firstLineOf(QStringLiteral("--document-password-file"), *documentPasswordFile)
            : passwordFromEnvironment(environment, "OSTREL_DOCUMENT_PASSWORD");
    if (const auto problem = passwordProblem(options)) {
        throw Failure{describe(*problem)};
    }

    if (!destinationGiven || options.destinationFolder.isEmpty()) {
        throw Failure{QStringLiteral("no destination folder (-d DIR)")};
    }
    struct stat folder {};
    if (::stat(fileNameBytes(options.destinationFolder).constData(), &folder) != 0 ||
        !S_ISDIR(folder.st_mode)) {
        throw Failure{QStringLiteral("destination %1 is not an existing folder")
                          .arg(options.destinationFolder)};
    }
    if (nullSeparated && lists.empty()) {
        throw Failure{QStringLiteral("--null needs --files-from")};
    }
    // An empty list is a run of nothing, as a scheduler may hand out.
    if (request.files.isEmpty() && lists.empty()) {
        throw Failure{QStringLiteral("no file to convert")};
    }
    request.files = lists.insertInto(request.files, nullSeparated);
    if (request.shard) {
        request.files = filesOfShard(request.files, *request.shard);
    }
    return request;
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
    const QString text = QStringLiteral(
        "usage: ostrel-convert [options] FILE... -d DIR\n"
        "       ostrel-convert --help | --version\n"
        "  FILE: PostScript (.ps) or a document (.doc .docx .rtf .txt .htm .xml .xls .ppt, "
        "pictures)\n"
        "  -d, --destination DIR            existing folder for the PDFs (required)\n"
        "  --title TEXT  --author TEXT  --subject TEXT  --keywords TEXT\n"
        "  --document-compression %1\n"
        "  --image-compression %2\n"
        "  --jpeg-quality %3\n"
        "  --pdf-version %4\n"
        "  --security                       enable PDF security (off by default)\n"
        "  --user-password-file FILE        first line is the user password (or env "
        "OSTREL_USER_PASSWORD)\n"
        "  --owner-password-file FILE       first line is the owner password (or env "
        "OSTREL_OWNER_PASSWORD)\n"
        "  --no-user-password  --no-owner-password\n"
        "  --document-password-file FILE    first line opens protected documents (or env "
        "OSTREL_DOCUMENT_PASSWORD)\n"
        "  --allow LIST                     comma list of copying,form-filling,changing,printing\n"
        "  --encryption %5     40-bit or 128-bit RC4, 256-bit AES (PDF 1.7) (default low)\n"
        "  --overwrite %6           an existing PDF: ask (default, on a terminal; "
        "elsewhere no), replace, skip\n"
        "  -j, --jobs N                     convert up to N documents at once (default: 1; "
        "from 24 files on, one per core, at most 2)\n"
        "  --files-from FILE                also the files listed in FILE, one per line "
        "(- for standard input)\n"
        "  --null                           the lists separate names by NUL, not by line\n"
        "  --shard K/N                      convert only shard K of N of the files (K from 1 "
        "to N; 0 is N)\n"
        "  --json                           one JSON object per file and the totals on "
        "standard output\n"
        "  -q, --quiet                      no line per file, no progress\n"
        "  -h, --help  --version\n"
        "  --                               every argument after it is a file\n"
        "On a terminal, a status line on standard error shows which file of how many is\n"
        "being converted. Exit status: 0 all converted, 1 any skipped or failed, 2 usage "
        "error,\n128 + the signal's number when SIGINT, SIGTERM or SIGHUP stopped the run.\n");
    return text.arg(wordsOf(kDocumentCompressions), wordsOf(kImageCompressions),
                    wordsOf(kJpegQualities), wordsOf(kPdfVersions), wordsOf(kEncryptionLevels),
                    wordsOf(kOverwritePolicies));
}

QString versionText() {
    return QStringLiteral("ostrel-convert (Ostrel Word To PDF) " OSTREL_VERSION "\n");
}

} // namespace ostrel::cli
