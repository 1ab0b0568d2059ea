// The command line of ostrel-convert, read into a request.
#pragma once

#include "conversion_options.h"
#include "file_list.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <variant>

namespace ostrel::cli {

// What to do about a PDF that exists already.
enum class Overwrite { Ask, Yes, No };

struct Request {
    ConversionOptions options; // destinationFolder included
    QStringList files;
    Overwrite overwrite = Overwrite::Ask;
    bool quiet = false;
    // --json: standard output carries one JSON object per file and the totals.
    bool json = false;
    // --shard K/N: files holds this shard's files only.
    std::optional<Shard> shard;
    // --help or --version: the text is printed instead of converting.
    bool help = false;
    bool version = false;
    // Documents converted at once (--jobs); 0 for the default.
    int jobs = 0;
    // The password for protected documents, when one was given.
    std::optional<QString> documentPassword;
};

// A usage error: one line for standard error; the program ends with status 2.
struct UsageError {
    QString message;
};

// Looks an environment variable up (its bytes); no value when it is not set.
using EnvironmentLookup = std::function<std::optional<QByteArray>(const char* name)>;
std::optional<QByteArray> processEnvironment(const char* name);

// Reads the arguments (without the program name) and the lists of --files-from, in
// the place they have among the files given as arguments. Passwords come only from the files
// named by --user-password-file, --owner-password-file and --document-password-file
// (their first line) or from OSTREL_USER_PASSWORD, OSTREL_OWNER_PASSWORD and
// OSTREL_DOCUMENT_PASSWORD, never from the command line. A password that is not UTF-8,
// or that breaks a rule of passwordProblem(), is a usage error: it is never changed.
std::variant<Request, UsageError>
parseArguments(const QStringList& arguments,
               const EnvironmentLookup& environment = processEnvironment);

// The usage text printed for --help and after a usage error.
QString usageText();
// The line printed for --version.
QString versionText();

} // namespace ostrel::cli
