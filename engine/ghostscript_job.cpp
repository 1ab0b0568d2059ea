#include "ghostscript_job.h"

#include "argument_file.h"
#include "ghostscript_command.h"
#include "ghostscript_input.h"
#include "pdf_check.h"
#include "pdf_parts.h"
#include "system/ghostscript_executable.h"
#include "system/process.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

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

// Runs one Ghostscript for each argument list at once, each given `passedDescriptor`,
// and waits for all of them. The first failure, or nothing when all succeeded; when one
// fails or keepGoing says no, the others are ended.
std::optional<JobResult> runGhostscripts(const std::string& ghostscript,
                                         const std::vector<QStringList>& argumentLists,
                                         const SpoolFolder& spool, int passedDescriptor,
                                         const std::function<bool()>& keepGoing) {
    std::vector<std::unique_ptr<ArgumentFile>> argumentFiles;
    std::vector<Process> processes;
    for (std::size_t i = 0; i < argumentLists.size(); ++i) {
        const std::string name = i == 0 ? "gs-arguments" : "gs-arguments-" + std::to_string(i + 1);
        argumentFiles.push_back(std::make_unique<ArgumentFile>(spool.file(name), argumentLists[i]));
        ProcessOptions captured;
        captured.captureOutput = true;
        captured.passedDescriptor = passedDescriptor;
        processes.push_back(
            Process::start({ghostscript, argumentFiles.back()->reference()}, captured));
    }
    for (Process& process : processes) {
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
    }
    return std::nullopt;
}

// The parts of a PDF written a page range each, in the locked spool folder; removed
// when this goes.
class PartFiles {
public:
    PartFiles(const SpoolFolder& spool, std::size_t count) {
        for (std::size_t part = 1; part <= count; ++part) {
            paths_.push_back(spool.file("part-" + std::to_string(part) + ".pdf"));
            std::error_code ec;
            std::filesystem::remove(paths_.back(), ec); // a planted link is not written through
        }
    }
    ~PartFiles() {
        for (const auto& path : paths_) {
            std::error_code ec;
            std::filesystem::remove(path, ec);
        }
    }
    PartFiles(const PartFiles&) = delete;
    PartFiles& operator=(const PartFiles&) = delete;

    const std::vector<std::filesystem::path>& paths() const { return paths_; }

private:
    std::vector<std::filesystem::path> paths_;
};

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
        const GhostscriptInput inspected =
            inspectGhostscriptInput(QFile::encodeName(input).toStdString(),
                                    effectiveCompatibilityLevel(options) == QLatin1String("1.3"));
        std::optional<PrivateFile> adjusted;
        if (inspected.adjusted) {
            adjusted.emplace(spool.file("adjusted.pdf"), *inspected.adjusted);
            input = fromPath(adjusted->path());
        }
        PendingPdf pdf(output.toStdString());
        // A long PDF is written in parts on all processors, then joined. Encrypted parts
        // could not be joined: an encrypted PDF is written whole. So is a long one whose
        // parts or join failed, unless the job was stopped.
        const std::vector<PageRange> ranges =
            writesSecurity(options)
                ? std::vector<PageRange>{}
                : pageRanges(inspected.pageWeights, std::thread::hardware_concurrency());
        bool writtenInParts = false;
        if (ranges.size() > 1) {
            const PartFiles parts(spool, ranges.size());
            std::vector<QStringList> argumentLists;
            for (std::size_t part = 0; part < ranges.size(); ++part) {
                argumentLists.push_back(ghostscriptArguments(options, fromPath(parts.paths()[part]),
                                                             input, sideFile, ranges[part],
                                                             inspected.legacyReader));
            }
            const auto failure = runGhostscripts(ghostscript, argumentLists, spool, -1, keepGoing);
            if (failure && keepGoing && !keepGoing()) {
                return *failure;
            }
            if (!failure) {
                try {
                    joinPdfParts(parts.paths(), pdf.descriptor());
                    writtenInParts = true;
                } catch (const std::runtime_error&) {
                    // written whole below
                }
            }
        }
        if (!writtenInParts) {
            // Ghostscript writes through the descriptor (opened anew, emptied): the name
            // could be replaced meanwhile.
            const QString writtenTo = QStringLiteral("/dev/fd/%1").arg(kPassedDescriptor);
            if (auto failure =
                    runGhostscripts(ghostscript,
                                    {ghostscriptArguments(options, writtenTo, input, sideFile,
                                                          std::nullopt, inspected.legacyReader)},
                                    spool, pdf.descriptor(), keepGoing)) {
                return *failure;
            }
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
