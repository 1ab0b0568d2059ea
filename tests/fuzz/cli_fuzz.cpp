// The command-line reader of ostrel-convert: arguments (the input split at NUL bytes) are
// read into a request or refused with a line, never anything else.
#include "cli_arguments.h"
#include "escaped_line.h"
#include "fuzz_target.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel::cli;
    QStringList arguments;
    const char* const text = reinterpret_cast<const char*>(data);
    std::size_t start = 0;
    for (std::size_t at = 0; at <= size; ++at) {
        if (at == size || text[at] == '\0') {
            arguments << QString::fromLocal8Bit(text + start, static_cast<qsizetype>(at - start));
            start = at + 1;
        }
    }
    // No variable is set: what the arguments say is all there is.
    const auto read = parseArguments(arguments, [](const char*) { return std::nullopt; });
    // A usage error is printed as one line, whatever the arguments it quotes hold.
    if (const auto* error = std::get_if<UsageError>(&read)) {
        if (error->message.isEmpty() || escapedLine(error->message).contains(QLatin1Char('\n'))) {
            ostrel::fuzz::violated("a usage error is one line");
        }
    }
    return 0;
}
