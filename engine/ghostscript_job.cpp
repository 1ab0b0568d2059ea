#include "ghostscript_job.h"

#include "argument_file.h"
#include "ghostscript_command.h"
#include "ghostscript_input.h"
#include "pdf_check.h"
#include "system/ghostscript_executable.h"
#include "system/process.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace ostrel {
namespace {

QString fromPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// Ghostscript's chatter: its banner, font loading, the closing "****" notes.
bool isChatter(const QString& line) {
    static const char* const prefixes[] = {"Copyright", "This software", "see the file",
                                           "Loading ",  "Querying",      "Processing pages",
                                           "Page ",     "****"};
    for (const char* prefix : prefixes) {
        if (line.startsWith(QLatin1String(prefix))) {
            return true;
        }
    }
    return line.startsWith(QLatin1String("GPL Ghostscript")) && !line.contains(QLatin1Char(':'));
}

// Ghostscript reports errors as "Error: /undefined in foo"; that line says most.
// Otherwise its first line that is not chatter, or its last words.
QString ghostscriptComplaint(const std::string& output) {
    const QStringList lines =
        QString::fromLocal8Bit(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QString chosen;
    for (const auto& line : lines) {
        if (line.contains(QLatin1String("Error:"))) {
            chosen = line;
            break;
        }
    }
    for (qsizetype i = 0; chosen.isEmpty() && i < lines.size(); ++i) {
        if (!isChatter(lines[i].trimmed())) {
            chosen = lines[i];
        }
    }
    if (chosen.isEmpty() && !lines.isEmpty()) {
        chosen = lines.last();
    }
    chosen = chosen.simplified();
    if (chosen.size() > 160) {
        chosen = chosen.left(157) + QStringLiteral("...");
    }
    return chosen;
}

// Ghostscript 10 ends with exit code 0 when the PDF device fails to close (a full disk:
// "ERROR: ioerror (-12) on closing pdfwrite device."); such a line marks a failed job.
// The "****" notes about a damaged input it repaired are not errors.
std::optional<QString> reportedError(const std::string& output) {
    const QStringList lines =
        QString::fromLocal8Bit(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const auto& line : lines) {
        if (line.contains(QLatin1String("ERROR:")) &&
            !line.trimmed().startsWith(QLatin1String("****"))) {
            return line.simplified();
        }
    }
    return std::nullopt;
}

// What the new PDF must be like: encrypted exactly when security is on, opened by the
// owner password when the user gave one, else by the user password.
PdfExpectation expectationFor(const ConversionOptions& options) {
    PdfExpectation expected;
    expected.encrypted = writesSecurity(options);
    if (!expected.encrypted) {
        return expected;
    }
    if (hasOwnerPassword(options)) {
        expected.password = options.ownerPassword.toStdString();
        expected.ownerPassword = true;
    } else if (options.userPasswordEnabled) {
        expected.password = options.userPassword.toStdString();
    }
    return expected;
}

// The end of the process, or nothing when keepGoing said no first (the process is
// ended then).
std::optional<ProcessExit> waitUnlessAbandoned(Process& process,
                                               const std::function<bool()>& keepGoing) {
    if (!keepGoing) {
        return process.wait();
    }
    while (true) {
        if (auto exit = process.waitFor(std::chrono::milliseconds(100))) {
            return exit;
        }
        if (!keepGoing()) {
            process.kill();
            process.wait();
            return std::nullopt;
        }
    }
}

} // namespace

JobResult runGhostscriptJob(const ConversionOptions& options, const GhostscriptJobFiles& files,
                            const SpoolLock& lock, const std::function<bool()>& keepGoing) {
    const SpoolFolder& spool = lock.folder();
    const QString sideFile = fromPath(spool.sideFile());
    try {
        writePrivateFile(spool.sideFile(), sideFileText(options).toStdString());
    } catch (const std::runtime_error& error) {
        return JobResult::failure(QStringLiteral("Cannot write the side file %1: %2")
                                      .arg(sideFile, QString::fromLocal8Bit(error.what())));
    }
    if (!QFileInfo(files.postScriptFile).isReadable()) {
        return JobResult::failure(
            QStringLiteral("Cannot read the PostScript file %1").arg(files.postScriptFile));
    }
    // Absolute paths: Ghostscript would take a leading '-' as a switch, '|' as a pipe.
    const QString output = QFileInfo(files.outputFile).absoluteFilePath();
    QString input = QFileInfo(files.postScriptFile).absoluteFilePath();

    const std::string ghostscript = ghostscriptExecutable().string();
    try {
        // Ghostscript reads an adjusted copy of the printer's PDF: Type 1 fonts keep their
        // Unicode map, and at PDF 1.3, which has no transparency, pages keep their text.
        std::optional<PrivateFile> adjusted;
        if (const auto copy = adjustedGhostscriptInput(QFile::encodeName(input).toStdString(),
                                                       effectiveCompatibilityLevel(options) ==
                                                           QLatin1String("1.3"))) {
            adjusted.emplace(spool.file("adjusted.pdf"), *copy);
            input = fromPath(adjusted->path());
        }
        PendingPdf pdf(output.toStdString());
        // Ghostscript writes through the descriptor: the name could be replaced meanwhile.
        const QString writtenTo = QStringLiteral("/dev/fd/%1").arg(kPassedDescriptor);
        const ArgumentFile arguments(spool.file("gs-arguments"),
                                     ghostscriptArguments(options, writtenTo, input, sideFile));
        ProcessOptions captured;
        captured.captureOutput = true;
        captured.passedDescriptor = pdf.descriptor();
        Process process = Process::start({ghostscript, arguments.reference()}, captured);
        const std::optional<ProcessExit> exit = waitUnlessAbandoned(process, keepGoing);
        if (!exit) {
            return JobResult::failure(QStringLiteral("Ghostscript was stopped"));
        }
        if (!exit->succeeded()) {
            const QString complaint = ghostscriptComplaint(process.output());
            return JobResult::failure(
                QStringLiteral("Ghostscript failed (%1)%2")
                    .arg(QString::fromStdString(exit->describe()),
                         complaint.isEmpty() ? QString() : QStringLiteral(": ") + complaint));
        }
        if (const auto error = reportedError(process.output())) {
            return JobResult::failure(QStringLiteral("Ghostscript failed: %1").arg(*error));
        }
        if (const auto defect = pdfDefect(pdf.descriptor(), expectationFor(options))) {
            return JobResult::failure(QStringLiteral("Ghostscript wrote no usable PDF (%1)")
                                          .arg(QString::fromStdString(*defect)));
        }
        if (const auto failure = pdf.commit(files.existing)) {
            return JobResult::failure(QString::fromStdString(*failure));
        }
    } catch (const std::system_error& error) {
        return JobResult::failure(QStringLiteral("Cannot start Ghostscript (%1): %2")
                                      .arg(QString::fromStdString(ghostscript),
                                           QString::fromLocal8Bit(error.code().message())));
    } catch (const std::runtime_error& error) {
        return JobResult::failure(QString::fromLocal8Bit(error.what()));
    }
    return JobResult::success();
}

} // namespace ostrel
