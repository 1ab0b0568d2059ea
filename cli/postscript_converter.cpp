#include "postscript_converter.h"

#include "ghostscript_job.h"
#include "interruption.h"
#include "system/spool_folder.h"

#include <stdexcept>

namespace ostrel::cli {

bool PostScriptConverter::accepts(const QString& sourcePath) const {
    return sourcePath.endsWith(QLatin1String(".ps"), Qt::CaseInsensitive);
}

Outcome PostScriptConverter::convert(const QString& sourcePath, const QString& outputPath,
                                     const ConversionOptions& options, ExistingPdf existing) {
    try {
        const SpoolLock lock(SpoolFolder::locate());
        const JobResult job = runGhostscriptJob(options, {sourcePath, outputPath, existing}, lock,
                                                [] { return Interruption::signal() == 0; });
        return {job.ok ? Outcome::Converted : Outcome::Failed, job.reason, outputPath};
    } catch (const std::runtime_error& error) {
        return {Outcome::Failed, QString::fromLocal8Bit(error.what()), {}};
    }
}

} // namespace ostrel::cli
