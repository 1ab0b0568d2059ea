// How one input file becomes a PDF. The per-file loop asks each converter in turn
// whether it takes the file; PostScript files have one, Word documents another.
#pragma once

#include "conversion_options.h"
#include "document_conversion.h"
#include "pending_pdf.h"

#include <QString>

namespace ostrel::cli {

class FileConverter {
public:
    virtual ~FileConverter() = default;

    // Whether this converter takes the file (by its name).
    virtual bool accepts(const QString& sourcePath) const = 0;

    // Writes outputPath from sourcePath with the options. The loop has settled an
    // existing PDF already (skipped the file, or agreed to replace it: `existing`).
    virtual Outcome convert(const QString& sourcePath, const QString& outputPath,
                            const ConversionOptions& options, ExistingPdf existing) = 0;
};

} // namespace ostrel::cli
