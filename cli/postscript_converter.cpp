#include "postscript_converter.h"

#include "argument_file.h"
#include "file_name_bytes.h"
#include "ghostscript_job.h"
#include "interruption.h"
#include "system/spool_folder.h"

#include <QFile>

#include <filesystem>
#include <stdexcept>

namespace ostrel::cli {
namespace {

// Ghostscript is given its input by name in its argument file, which cannot hold every
// name (a line break, a trailing backslash after a blank): such a file is read through
// a link of a plain name in the locked spool folder, removed afterwards.
class GhostscriptInputName {
public:
    GhostscriptInputName(const QString& source, const SpoolFolder& spool) : name_(source) {
        if (argumentFileEntry(source)) {
            return;
        }
        link_ = spool.file("input.ps");
        std::error_code ignored;
        std::filesystem::remove(link_, ignored);
        std::filesystem::create_symlink(
            std::filesystem::absolute(fileNameBytes(source).toStdString()), link_);
        name_ = QFile::decodeName(link_.c_str());
    }
    GhostscriptInputName(const GhostscriptInputName&) = delete;
    GhostscriptInputName& operator=(const GhostscriptInputName&) = delete;
    ~GhostscriptInputName() {
        if (!link_.empty()) {
            std::error_code ignored;
            std::filesystem::remove(link_, ignored);
        }
    }

    const QString& name() const { return name_; }

private:
    QString name_;
    std::filesystem::path link_;
};

} // namespace

bool PostScriptConverter::accepts(const QString& sourcePath) const {
    return sourcePath.endsWith(QLatin1String(".ps"), Qt::CaseInsensitive);
}

Outcome PostScriptConverter::convert(const QString& sourcePath, const QString& outputPath,
                                     const ConversionOptions& options, ExistingPdf existing) {
    try {
        const SpoolLock lock(SpoolFolder::locate());
        const GhostscriptInputName input(sourcePath, lock.folder());
        const JobResult job = runGhostscriptJob(options, {input.name(), outputPath, existing}, lock,
                                                [] { return Interruption::signal() == 0; });
        Outcome outcome{job.ok ? Outcome::Converted : Outcome::Failed, job.reason, outputPath};
        outcome.stages = job.stages;
        return outcome;
    } catch (const std::runtime_error& error) {
        return {Outcome::Failed, QString::fromLocal8Bit(error.what()), {}};
    }
}

} // namespace ostrel::cli
