#include "postscript_converter.h"

#include "interruption.h"
#include "system/spool_folder.h"

#include <stdexcept>

namespace ostrel::cli {

bool PostScriptConverter::accepts(const QString& sourcePath) const {
    return sourcePath.endsWith(QLatin1String(".ps"), Qt::CaseInsensitive);
}

JobResult PostScriptConverter::convert(const QString& sourcePath, const QString& outputPath,
                                       const ConversionOptions& options, ExistingPdf existing) {
    try {
        const SpoolLock lock(SpoolFolder::locate());
        return runGhostscriptJob(options, {sourcePath, outputPath, existing}, lock,
                                 [] { return Interruption::signal() == 0; });
    } catch (const std::runtime_error& error) {
        return JobResult::failure(QString::fromLocal8Bit(error.what()));
    }
}

} // namespace ostrel::cli
