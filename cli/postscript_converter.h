// PostScript files: the Ghostscript job alone, the file in place of the spool file.
#pragma once

#include "file_converter.h"

namespace ostrel::cli {

class PostScriptConverter : public FileConverter {
public:
    // ".ps", in any case.
    bool accepts(const QString& sourcePath) const override;
    // Holds the spool folder (waiting for another job to finish) while Ghostscript runs.
    Outcome convert(const QString& sourcePath, const QString& outputPath,
                    const ConversionOptions& options, ExistingPdf existing) override;
};

} // namespace ostrel::cli
