#include "ghostscript_job.h"

#include "argument_file.h"
#include "encryption.h"
#include "file_name_bytes.h"
#include "ghostscript_command.h"
#include "ghostscript_executable.h"
#include "ghostscript_input.h"
#include "ghostscript_sandbox.h"
#include "pdf_check.h"
#include "pdf_encryption.h"
#include "pdf_parts.h"
#include "system/process.h"

#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

namespace ostrel {
namespace {

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

// What the new PDF must be like: encrypted exactly when security is on (at the level's
// R and V), opened by the owner password when the user gave one, else by the user
// password.
PdfExpectation expectationFor(const ConversionOptions& options) {
    PdfExpectation expected;
    expected.encrypted = writesSecurity(options);
    if (!expected.encrypted) {
        return expected;
    }
    if (const Encryption* encryption = encryptionOf(options.encryptionLevel)) {
        expected.revision = encryption->revision;
        expected.algorithm = encryption->algorithm;
    }
    if (hasOwnerPassword(options)) {
        expected.password = options.ownerPassword.toStdString();
        expected.ownerPassword = true;
    } else if (options.userPasswordEnabled) {
        expected.password = options.userPassword.toStdString();
    }
    return expected;
}

// How a Ghostscript's wait ended, when not by the process's own end.
enum class Abandoned { Stopped, TimedOut };

// The end of the process; or why it was ended (it is ended then): keepGoing said no,
// or it ran past `deadline`.
std::variant<ProcessExit, Abandoned>
waitUnlessAbandoned(Process& process, const std::function<bool()>& keepGoing,
                    std::chrono::steady_clock::time_point deadline) {
    while (true) {
        if (auto exit = process.waitFor(std::chrono::milliseconds(100))) {
            return *exit;
        }
        const bool stopped = keepGoing && !keepGoing();
        if (stopped || std::chrono::steady_clock::now() > deadline) {
            process.kill();
            process.wait();
            return stopped ? Abandoned::Stopped : Abandoned::TimedOut;
        }
    }
}

// One Ghostscript's command: its switches, and the files it reads and writes, handed
// over open as the descriptors kOutputName, kInputName, kSideFileName and, when there is
// an outline, kOutlineName name.
struct GhostscriptRun {
    QStringList arguments;
    int output = -1;
    int input = -1;
    int sideFile = -1;
    int outline = -1;
};

const QString kOutputName = QStringLiteral("/dev/fd/%1").arg(kPassedDescriptor);
const QString kInputName = QStringLiteral("/dev/fd/%1").arg(kPassedDescriptor + 1);
const QString kSideFileName = QStringLiteral("/dev/fd/%1").arg(kPassedDescriptor + 2);
const QString kOutlineName = QStringLiteral("/dev/fd/%1").arg(kPassedDescriptor + 4);

// Runs one Ghostscript for each command at once, each in a sandbox of its own and tied
// to our life, and waits for all of them. The first failure, or nothing when all
// succeeded; when one fails, runs past `limit` or keepGoing says no, the others are ended.
std::optional<JobResult> runGhostscripts(const std::string& ghostscript,
                                         const std::vector<GhostscriptRun>& runs,
                                         const SpoolFolder& spool, std::chrono::seconds limit,
                                         const std::function<bool()>& keepGoing) {
    std::vector<std::unique_ptr<GhostscriptSandbox>> sandboxes;
    std::vector<Process> processes;
    for (const GhostscriptRun& run : runs) {
        const ArgumentPipe switches(run.arguments);
        sandboxes.push_back(std::make_unique<GhostscriptSandbox>(spool));
        ProcessOptions options;
        options.captureOutput = true;
        options.passedDescriptors = {run.output, run.input, run.sideFile, switches.descriptor()};
        if (run.outline >= 0) {
            options.passedDescriptors.push_back(run.outline);
        }
        options.environment = sandboxes.back()->environment();
        options.workingDirectory = sandboxes.back()->folder();
        // Started and waited for on this thread: killed with us.
        options.diesWithStartingThread = true;
        processes.push_back(Process::start(
            {ghostscript, "@/dev/fd/" + std::to_string(kPassedDescriptor + 3)}, options));
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (Process& process : processes) {
        const auto ended = waitUnlessAbandoned(process, keepGoing, deadline);
        if (const auto* abandoned = std::get_if<Abandoned>(&ended)) {
            return JobResult::failure(
                *abandoned == Abandoned::Stopped
                    ? QStringLiteral("Ghostscript was stopped")
                    : QStringLiteral("Ghostscript did not finish within %1 s and was ended")
                          .arg(limit.count()));
        }
        const ProcessExit& exit = std::get<ProcessExit>(ended);
        if (!exit.succeeded()) {
            const QString complaint = ghostscriptComplaint(process.output());
            return JobResult::failure(
                QStringLiteral("Ghostscript failed (%1)%2")
                    .arg(QString::fromStdString(exit.describe()),
                         complaint.isEmpty() ? QString() : QStringLiteral(": ") + complaint));
        }
        if (const auto error = reportedError(process.output())) {
            return JobResult::failure(QStringLiteral("Ghostscript failed: %1").arg(*error));
        }
    }
    return std::nullopt;
}

// What every Ghostscript of one job shares: the options, the files it reads (open), the
// interpreter, the folder it runs in, its time and who may stop it.
struct JobSetting {
    const ConversionOptions& options;
    const std::string& ghostscript;
    const SpoolFolder& spool;
    std::chrono::seconds limit;
    const std::function<bool()>& keepGoing;
    int input;
    int sideFile;
    int outline; // -1: none
    bool legacyReader;
};

// The command of one Ghostscript writing `pages` (all without) into `output`.
GhostscriptRun runOf(const JobSetting& job, const std::optional<PageRange>& pages, int output) {
    return {ghostscriptArguments(job.options, kOutputName, kInputName, kSideFileName, pages,
                                 job.legacyReader, job.outline >= 0 ? kOutlineName : QString()),
            output, job.input, job.sideFile, job.outline};
}

struct PartsOutcome {
    bool written = false;
    std::optional<JobResult> stopped; // the job ends with it
};

// Writes the PDF in parts, one Ghostscript per range at once, and joins them into `pdf`.
// Not written when a part or the join failed (the PDF is then written whole), unless
// the job was stopped.
PartsOutcome writeInParts(const JobSetting& job, const std::vector<PageRange>& ranges,
                          const PendingPdf& pdf) {
    std::vector<ScratchFile> parts;
    std::vector<std::filesystem::path> partPaths;
    std::vector<GhostscriptRun> runs;
    for (const PageRange& range : ranges) {
        parts.emplace_back(job.spool.path());
        partPaths.push_back(parts.back().path());
        runs.push_back(runOf(job, range, parts.back().descriptor()));
    }
    const auto failure =
        runGhostscripts(job.ghostscript, runs, job.spool, job.limit, job.keepGoing);
    if (failure) {
        return {false, job.keepGoing && !job.keepGoing() ? failure : std::nullopt};
    }
    try {
        joinPdfParts(partPaths, pdf.descriptor());
        return {true, std::nullopt};
    } catch (const std::runtime_error&) {
        return {};
    }
}

// Encrypts the PDF Ghostscript wrote unencrypted into `pdf`; the failure, if any.
std::optional<JobResult> encryptInto(const ScratchFile& unencrypted, const PendingPdf& pdf,
                                     const JobSetting& job) {
    try {
        encryptPdf(unencrypted.descriptor(), pdf.descriptor(), job.options, job.keepGoing);
    } catch (const EncryptionStopped&) {
        return JobResult::failure(QStringLiteral("The encryption was stopped"));
    } catch (const std::runtime_error& error) {
        return JobResult::failure(QStringLiteral("Cannot encrypt the PDF (%1)")
                                      .arg(QString::fromStdString(error.what())));
    }
    return std::nullopt;
}

// Writes the PDF from the job's files into `pdf`, checks and commits it.
JobResult writePdf(const JobSetting& job, const GhostscriptInput& inspected, PendingPdf& pdf,
                   ExistingPdf existing, StageTimes& stages) {
    const ConversionOptions& options = job.options;
    // At a level Ghostscript cannot write, it writes the PDF unencrypted into a file
    // without a name in the private spool folder, which is then encrypted into `pdf`.
    std::optional<ScratchFile> unencrypted;
    if (encryptsAfterGhostscript(options)) {
        unencrypted.emplace(job.spool.path());
    }
    // A long PDF is written in parts on all processors, then joined. Encrypted parts
    // could not be joined: an encrypted PDF is written whole. So is a long one whose
    // parts or join failed, unless the job was stopped, and one whose outline or links
    // go from page to page.
    const std::vector<PageRange> ranges =
        writesSecurity(options) || inspected.navigatesPages
            ? std::vector<PageRange>{}
            : pageRanges(inspected.pageWeights, std::thread::hardware_concurrency());
    PartsOutcome inParts;
    if (ranges.size() > 1) {
        inParts = writeInParts(job, ranges, pdf);
        if (inParts.stopped) {
            return *inParts.stopped;
        }
    }
    if (!inParts.written) {
        // Ghostscript writes through the descriptor (opened anew, emptied): the name
        // could be replaced meanwhile.
        const int output = unencrypted ? unencrypted->descriptor() : pdf.descriptor();
        if (auto failure = runGhostscripts(job.ghostscript, {runOf(job, std::nullopt, output)},
                                           job.spool, job.limit, job.keepGoing)) {
            return *failure;
        }
    }
    stages.mark(Stage::Ghostscript);
    if (unencrypted) {
        if (auto failure = encryptInto(*unencrypted, pdf, job)) {
            return *failure;
        }
        stages.mark(Stage::Encrypt);
    }
    if (const auto defect = pdfDefect(pdf.descriptor(), expectationFor(options))) {
        return JobResult::failure(QStringLiteral("Ghostscript wrote no usable PDF (%1)")
                                      .arg(QString::fromStdString(*defect)));
    }
    stages.mark(Stage::Check);
    if (const auto failure = pdf.commit(existing)) {
        return JobResult::failure(QString::fromStdString(*failure));
    }
    stages.mark(Stage::Rename);
    return JobResult::success();
}

JobResult runJob(const ConversionOptions& options, const GhostscriptJobFiles& files,
                 const SpoolLock& lock, const std::function<bool()>& keepGoing,
                 StageTimes& stages) {
    const SpoolFolder& spool = lock.folder();
    std::optional<ScratchFile> sideFile;
    try {
        sideFile.emplace(spool.path(), sideFileText(options).toStdString());
    } catch (const std::runtime_error& error) {
        return JobResult::failure(QStringLiteral("Cannot write the side file: %1")
                                      .arg(QString::fromLocal8Bit(error.what())));
    }
    const std::filesystem::path inputPath(fileNameBytes(files.postScriptFile).toStdString());
    const OwnedDescriptor inputFile(::open(inputPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (inputFile.get() < 0) {
        return JobResult::failure(
            QStringLiteral("Cannot read the PostScript file %1").arg(files.postScriptFile));
    }
    std::error_code sizeUnknown;
    const auto limit = ghostscriptTimeLimit(std::filesystem::file_size(inputPath, sizeUnknown));
    const std::filesystem::path output =
        std::filesystem::absolute(fileNameBytes(files.outputFile).toStdString());

    const std::string ghostscript = ghostscriptExecutable().string();
    try {
        // Ghostscript reads an adjusted copy of the printer's PDF: Type 1 fonts keep their
        // Unicode map, and at PDF 1.3, which has no transparency, pages keep their text.
        const GhostscriptInput inspected = inspectGhostscriptInput(
            inputPath, effectiveCompatibilityLevel(options) == QLatin1String("1.3"));
        std::optional<ScratchFile> adjusted;
        if (inspected.adjusted) {
            adjusted.emplace(spool.path(), *inspected.adjusted);
        }
        PendingPdf pdf(output);
        std::optional<ScratchFile> outline;
        if (inspected.outline) {
            outline.emplace(spool.path(), *inspected.outline);
        }
        stages.mark(Stage::Adjust);
        const JobSetting job{options,
                             ghostscript,
                             spool,
                             limit,
                             keepGoing,
                             adjusted ? adjusted->descriptor() : inputFile.get(),
                             sideFile->descriptor(),
                             outline ? outline->descriptor() : -1,
                             inspected.legacyReader};
        return writePdf(job, inspected, pdf, files.existing, stages);
    } catch (const std::system_error& error) {
        return JobResult::failure(QStringLiteral("Cannot start Ghostscript (%1): %2")
                                      .arg(QString::fromStdString(ghostscript),
                                           QString::fromLocal8Bit(error.code().message())));
    } catch (const std::runtime_error& error) {
        return JobResult::failure(QString::fromLocal8Bit(error.what()));
    }
}

} // namespace

JobResult runGhostscriptJob(const ConversionOptions& options, const GhostscriptJobFiles& files,
                            const SpoolLock& lock, const std::function<bool()>& keepGoing) {
    StageTimes stages;
    JobResult result = runJob(options, files, lock, keepGoing, stages);
    result.stages = stages;
    return result;
}

} // namespace ostrel
